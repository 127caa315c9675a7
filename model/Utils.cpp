#include "model/Utils.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Exceptions.h"

namespace pindle {

std::string ReplaceAll(std::string_view text, std::string_view search, std::string_view replacement)
{
    if (search.empty())
        return std::string(text);
    if (replacement.find(search) != std::string_view::npos)
        throw Exception("Cannot perform a cyclic replace.");
    std::size_t first = text.find(search);
    if (first == std::string_view::npos)
        return std::string(text);
    // Replacing the first occurrence and searching again from the start is the same as
    // scanning once and checking the end of the output after every byte: the output never
    // holds an occurrence, so the first one in the whole text is the one that ends first.
    // Bytes of a replacement are fed back through the same check, since they can complete
    // an occurrence with the bytes before them.
    std::string out(text.substr(0, first));  // holds no occurrence
    out.reserve(text.size());
    std::string pending;  // replacement bytes still to feed, last byte first
    std::size_t next = first;
    for (;;) {
        char c;
        if (!pending.empty()) {
            c = pending.back();
            pending.pop_back();
        } else if (next < text.size()) {
            c = text[next++];
        } else {
            break;
        }
        out.push_back(c);
        if (c == search.back() && out.size() >= search.size()
            && std::string_view(out).substr(out.size() - search.size()) == search) {
            out.resize(out.size() - search.size());
            pending.append(replacement.rbegin(), replacement.rend());
        }
    }
    return out;
}

std::unique_ptr<char[]> StrAllocCopy(std::string_view text)
{
    auto buffer = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(buffer.get(), text.data(), text.size());
    buffer[text.size()] = '\0';
    return buffer;
}

namespace {

constexpr std::array<const char*, 8> VersionFieldNames = {
    "CompanyName", "FileDescription", "FileVersion", "InternalName",
    "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion"};

// Files above this size are not searched for a version block: no program of ours comes near it.
constexpr long long MaxVersionFileSize = 512LL << 20;

std::optional<std::string> ReadWholeFile(const char* fileName)
{
    int fd = ::open(fileName, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> bytes;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= MaxVersionFileSize) {
        std::string content(static_cast<std::size_t>(info.st_size), '\0');
        std::size_t got = 0;
        bool failed = false;
        while (got < content.size()) {
            ssize_t n = ::read(fd, content.data() + got, content.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                failed = n < 0;
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        if (!failed) {
            content.resize(got);
            bytes = std::move(content);
        }
    }
    ::close(fd);
    return bytes;
}

// One node of the version block: a 16-bit length, value length and type, a zero-terminated UTF-16
// key, the value and the children, each part starting on a 32-bit boundary of the block.
struct TVersionNode {
    std::size_t Start = 0;
    std::size_t End = 0;
    std::size_t KeyStart = 0;
    std::size_t KeyChars = 0;
    std::size_t ValueStart = 0;
    std::size_t ValueEnd = 0;
    std::size_t ChildrenStart = 0;
};

class TVersionBlock {
public:
    explicit TVersionBlock(std::string_view bytes) : bytes_(bytes) {}

    // The node at offset start, which must lie within [start, limit); false when it is malformed.
    bool ParseNode(std::size_t start, std::size_t limit, TVersionNode& node) const
    {
        if (start > limit || limit - start < 6)
            return false;
        std::size_t length = Word(start);
        if (length < 6 || length > limit - start)
            return false;
        node.Start = start;
        node.End = start + length;
        std::size_t valueLength = Word(start + 2);
        std::size_t type = Word(start + 4);
        node.KeyStart = start + 6;
        std::size_t p = node.KeyStart;
        while (p + 2 <= node.End && Word(p) != 0)
            p += 2;
        if (p + 2 > node.End)
            return false;  // the key has no terminator inside the node
        node.KeyChars = (p - node.KeyStart) / 2;
        node.ValueStart = std::min(Align(p + 2), node.End);
        std::size_t valueBytes = type == 1 ? valueLength * 2 : valueLength;
        node.ValueEnd = std::min(node.ValueStart + valueBytes, node.End);
        node.ChildrenStart = std::min(Align(node.ValueEnd), node.End);
        return true;
    }

    bool KeyIs(const TVersionNode& node, std::string_view key) const
    {
        if (node.KeyChars != key.size())
            return false;
        for (std::size_t i = 0; i < key.size(); ++i) {
            std::size_t c = Word(node.KeyStart + 2 * i);
            if (c > 0x7F || Upper(static_cast<char>(c)) != Upper(key[i]))
                return false;
        }
        return true;
    }

    // The child of parent with the given key (keys compare without regard to letter case).
    bool FindChild(const TVersionNode& parent, std::string_view key, TVersionNode& child) const
    {
        std::size_t p = parent.ChildrenStart;
        while (p < parent.End && ParseNode(p, parent.End, child)) {
            if (KeyIs(child, key))
                return true;
            p = Align(child.End);
        }
        return false;
    }

    // Follows a path such as "\StringFileInfo\040904E4\FileVersion" from the root node.
    bool Query(const TVersionNode& root, std::string_view path, TVersionNode& found) const
    {
        found = root;
        while (!path.empty()) {
            if (path.front() == '\\') {
                path.remove_prefix(1);
                continue;
            }
            std::size_t cut = std::min(path.find('\\'), path.size());
            TVersionNode child;
            if (!FindChild(found, path.substr(0, cut), child))
                return false;
            found = child;
            path.remove_prefix(cut);
        }
        return true;
    }

    // The zero-terminated UTF-16 text of a value, bounded by its node, as 8-bit text.
    std::string Text(const TVersionNode& node) const
    {
        std::string text;
        for (std::size_t p = node.ValueStart; p + 2 <= node.End; p += 2) {
            std::size_t c = Word(p);
            if (c == 0)
                break;
            text.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
        }
        return text;
    }

    [[nodiscard]] std::size_t Word(std::size_t offset) const
    {
        return static_cast<unsigned char>(bytes_[offset]) | (static_cast<unsigned char>(bytes_[offset + 1]) << 8);
    }
    [[nodiscard]] std::size_t Align(std::size_t offset) const { return offset + ((base_ - offset) & 3); }
    void SetBase(std::size_t base) { base_ = base; }
    [[nodiscard]] std::size_t Size() const { return bytes_.size(); }

private:
    static char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

    std::string_view bytes_;
    std::size_t base_ = 0;
};

constexpr std::string_view RootKey = "VS_VERSION_INFO";
constexpr std::uint32_t FixedInfoSignature = 0xFEEF04BD;

// Is there a well-formed root node at start: the right key and the fixed file information?
bool IsVersionRoot(const TVersionBlock& block, std::size_t start, TVersionNode& root)
{
    if (!block.ParseNode(start, block.Size(), root) || !block.KeyIs(root, RootKey))
        return false;
    if (root.ValueEnd - root.ValueStart < 52)
        return false;
    std::uint32_t signature = static_cast<std::uint32_t>(block.Word(root.ValueStart))
                              | static_cast<std::uint32_t>(block.Word(root.ValueStart + 2)) << 16;
    return signature == FixedInfoSignature;
}

std::string FieldOfBlock(const TVersionBlock& block, const TVersionNode& root, std::string_view field)
{
    TVersionNode translation;
    if (!block.Query(root, "\\VarFileInfo\\Translation", translation)
        || translation.ValueEnd - translation.ValueStart < 4)
        return "";
    std::size_t language = block.Word(translation.ValueStart);
    std::size_t codePage = block.Word(translation.ValueStart + 2);
    char key[9];
    static constexpr char Hex[] = "0123456789ABCDEF";
    for (int i = 0; i < 4; ++i) {
        key[i] = Hex[(language >> (12 - 4 * i)) & 0xF];
        key[4 + i] = Hex[(codePage >> (12 - 4 * i)) & 0xF];
    }
    key[8] = '\0';
    std::string path = "\\StringFileInfo\\";
    path += key;
    path += '\\';
    path += field;
    TVersionNode value;
    if (!block.Query(root, path, value))
        return "";
    return block.Text(value);
}

}  // namespace

std::string GetVersionFieldFromBytes(std::string_view fileBytes, std::uint8_t selector)
{
    std::string_view field = VersionFieldNames[selector < VersionFieldNames.size() ? selector : 2];
    // The block is found by its root key, "VS_VERSION_INFO" in UTF-16, six bytes into its node.
    char start4[8] = {'V', '\0', 'S', '\0', '_', '\0', 'V', '\0'};
    std::string_view probe(start4, sizeof start4);
    TVersionBlock block(fileBytes);
    for (std::size_t hit = fileBytes.find(probe, 6); hit != std::string_view::npos;
         hit = fileBytes.find(probe, hit + 1)) {
        std::size_t start = hit - 6;
        block.SetBase(start);
        TVersionNode root;
        if (IsVersionRoot(block, start, root))
            return FieldOfBlock(block, root, field);
    }
    return "";
}

std::string GetFileVersionField(const std::string& fileName, std::uint8_t selector)
{
    try {
        if (fileName.empty() || fileName.find('\0') != std::string::npos)
            return "";
        std::unique_ptr<char[]> name = StrAllocCopy(fileName);
        std::optional<std::string> bytes = ReadWholeFile(name.get());
        if (!bytes)
            return "";
        return GetVersionFieldFromBytes(*bytes, selector);
    } catch (...) {
        return "";  // out of memory: the field reads as missing
    }
}

}  // namespace pindle
