#include <gtest/gtest.h>

#include "model/Utils.h"

namespace pindle {
namespace {

const std::string ProgramPath = PINDLE_BINARY_DIR "/app/pindle";

TEST(ProgramVersion, TheBuiltProgramCarriesItsVersionFields)
{
    struct Case {
        std::uint8_t selector;
        const char* text;
    } cases[] = {
        {0, "Quillmere"},
        {1, "Pindle CSS stylesheet editor"},
        {2, "1.0.0.21"},
        {3, "Pindle"},
        {4, "Copyright (C) Quillmere"},
        {5, "pindle"},
        {6, "Pindle"},
        {7, "1.0.0.21"},
        {8, "1.0.0.21"},
        {255, "1.0.0.21"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetFileVersionField(ProgramPath, c.selector), c.text) << int(c.selector);
}

}  // namespace
}  // namespace pindle
