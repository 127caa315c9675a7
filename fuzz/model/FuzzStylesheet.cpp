// Any bytes as a rule line and as a whole file: read from memory and from a file, both must agree.
#include <cstdlib>
#include <string>

#include "model/Stylesheet.h"
#include "fuzz/model/FuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    pindle::TStyleRow row = pindle::ParseRuleLine(bytes);
    // A row read from a line is written and read again without harm.
    (void)pindle::ParseRuleLine(pindle::BuildRuleLine(row));

    pindle::TStylesheet fromMemory = pindle::ParseStylesheet(bytes);
    const std::string& path = pindle::fuzz::WriteFuzzFile("fuzz_stylesheet_", ".css", data, size);
    pindle::TStylesheet fromFile = pindle::ReadStylesheet(path);
    if (fromFile.Rows != fromMemory.Rows || fromFile.PaneLines != fromMemory.PaneLines)
        std::abort();
    return 0;
}
