// Writes the CJK twin of a stylesheet: the same bytes, lines and punctuation, except that every run of
// three lower-case ASCII letters becomes one CJK ideograph (three bytes in UTF-8). Selectors,
// properties, values and comments turn largely into Chinese text, so that opening the twin against
// the original measures what multi-byte text costs at the same size.
//   gen_cjk_twin IN OUT
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

bool IsLower(char c) { return c >= 'a' && c <= 'z'; }

}  // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: gen_cjk_twin <in> <out>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::perror(argv[1]);
        return 1;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t replaced = 0;
    for (std::size_t i = 0; i + 3 <= bytes.size();) {
        if (!(IsLower(bytes[i]) && IsLower(bytes[i + 1]) && IsLower(bytes[i + 2]))) {
            ++i;
            continue;
        }
        // U+4E00 to U+8DFF, picked by the letters, so that the same word gives the same ideograph.
        const unsigned code = 0x4E00 + (static_cast<unsigned>(bytes[i] - 'a') * 676 +
                                         static_cast<unsigned>(bytes[i + 1] - 'a') * 26 +
                                         static_cast<unsigned>(bytes[i + 2] - 'a')) % 0x4000;
        bytes[i] = static_cast<char>(0xE0 | (code >> 12));
        bytes[i + 1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes[i + 2] = static_cast<char>(0x80 | (code & 0x3F));
        i += 3;
        ++replaced;
    }
    std::ofstream out(argv[2], std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::perror(argv[2]);
        return 1;
    }
    std::printf("%s: %zu bytes, %zu ideographs (%.0f%% of the bytes)\n", argv[2], bytes.size(), replaced,
                300.0 * static_cast<double>(replaced) / static_cast<double>(bytes.size()));
    return 0;
}
