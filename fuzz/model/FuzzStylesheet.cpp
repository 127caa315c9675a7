// Any bytes as a rule line and as a whole file: read from memory and from a file, both must agree.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "model/Stylesheet.h"

namespace {

const std::string& TempPath()
{
    static const std::string path = "/tmp/fuzz_stylesheet_" + std::to_string(::getpid()) + ".css";
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
