// Any bytes as a file that might hold a version block: every field reads without harm.
#include <cstdlib>
#include <string>

#include "model/Utils.h"
#include "fuzz/model/FuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (unsigned selector = 0; selector < 9; ++selector)
        (void)pindle::GetVersionFieldFromBytes(bytes, static_cast<std::uint8_t>(selector));

    const std::string& path = pindle::fuzz::WriteFuzzFile("fuzz_version_", ".bin", data, size);
    if (pindle::GetFileVersionField(path, 2) != pindle::GetVersionFieldFromBytes(bytes, 2))
        std::abort();
    return 0;
}
