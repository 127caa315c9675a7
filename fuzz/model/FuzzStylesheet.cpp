// Any bytes as a rule line and as a whole file: read from memory and from a file, both must agree.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "model/Stylesheet.h"

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

const std::string& TempPath()
{
    static const std::string path = TempPathFor("fuzz_stylesheet_", ".css");
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    pindle::TStyleRow row = pindle::ParseRuleLine(bytes);
    // A row read from a line is written and read again without harm.
    (void)pindle::ParseRuleLine(pindle::BuildRuleLine(row));

    pindle::TStylesheet fromMemory = pindle::ParseStylesheet(bytes);
    std::FILE* f = std::fopen(TempPath().c_str(), "wb");
    if (f == nullptr)
        std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    pindle::TStylesheet fromFile = pindle::ReadStylesheet(TempPath());
    if (fromFile.Rows != fromMemory.Rows || fromFile.PaneLines != fromMemory.PaneLines)
        std::abort();
    return 0;
}
