// Any bytes as a file that might hold a version block: every field reads without harm.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "model/Utils.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (unsigned selector = 0; selector < 9; ++selector)
        (void)pindle::GetVersionFieldFromBytes(bytes, static_cast<std::uint8_t>(selector));

    static const std::string path = "/tmp/fuzz_version_" + std::to_string(::getpid()) + ".bin";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    if (pindle::GetFileVersionField(path, 2) != pindle::GetVersionFieldFromBytes(bytes, 2))
        std::abort();
    return 0;
}
