// Any bytes as a file that might hold a version block: every field reads without harm.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "model/Utils.h"

namespace {

// A file in memory where there is such a folder, removed when the fuzzer ends.
std::string TempPathFor(const char* prefix, const char* extension)
{
    static std::string path;
    const char* folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/" : "/tmp/";
    path = std::string(folder) + prefix + std::to_string(::getpid()) + extension;
    std::atexit([] { std::remove(path.c_str()); });
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (unsigned selector = 0; selector < 9; ++selector)
        (void)pindle::GetVersionFieldFromBytes(bytes, static_cast<std::uint8_t>(selector));

    static const std::string path = TempPathFor("fuzz_version_", ".bin");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    if (pindle::GetFileVersionField(path, 2) != pindle::GetVersionFieldFromBytes(bytes, 2))
        std::abort();
    return 0;
}
