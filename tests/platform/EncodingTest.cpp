#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/Encoding.h"

namespace pindle {
namespace {

TEST(Utf8, IsValidOnlyInItsShortestWellFormedSequences)
{
    const struct {
        std::string bytes;
        bool valid;
    } cases[] = {
        {"", true},
        {"plain ASCII, longer than eight bytes", true},
        {"caf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5 \xF0\x9F\x98\x80", true},
        {"\xF4\x8F\xBF\xBF", true},          // U+10FFFF
        {"\xEF\xBF\xBF", true},              // U+FFFF
        {"\xC3", false},                     // cut short
        {"0123456789\xE6\x97", false},       // cut short after an ASCII run
        {"\xC0\xAF", false},                 // overlong "/"
        {"\xE0\x80\xAF", false},             // overlong
        {"\xF0\x8F\xBF\xBF", false},         // overlong
        {"\xED\xA0\x80", false},             // a surrogate
        {"\xF4\x90\x80\x80", false},         // above U+10FFFF
        {"\x80", false},                     // a lone continuation byte
        {"caf\xE9", false},                  // Windows-1252
        {"\xE6\x97\xA5x\xA5", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << ::testing::PrintToString(c.bytes);
}

TEST(Utf8, DecodesAndEncodesEveryScalarValue)
{
    for (char32_t code = 0; code <= 0x10FFFF; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF)
            continue;
        std::string bytes;
        AppendUtf8(bytes, code);
        ASSERT_TRUE(IsValidUtf8(bytes)) << static_cast<std::uint32_t>(code);
        const TDecodedChar decoded = DecodeUtf8(bytes, 0);
        ASSERT_EQ(static_cast<std::uint32_t>(decoded.Code), static_cast<std::uint32_t>(code));
        ASSERT_EQ(static_cast<std::size_t>(decoded.Length), bytes.size());
    }
    // A byte that starts nothing well-formed decodes alone, as U+FFFD.
    EXPECT_EQ(DecodeUtf8("\xE6\x97x", 0).Length, 1);
    EXPECT_EQ(static_cast<std::uint32_t>(DecodeUtf8("\xE6\x97x", 0).Code), 0xFFFDU);
    std::string surrogate;
    AppendUtf8(surrogate, 0xD800);
    EXPECT_EQ(surrogate, "\xEF\xBF\xBD");
}

TEST(Windows1252, EveryByteIsACharacterAndComesBack)
{
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t code = Windows1252ToUnicode(static_cast<unsigned char>(byte));
        EXPECT_EQ(UnicodeToWindows1252(code), byte);
    }
    EXPECT_EQ(static_cast<std::uint32_t>(Windows1252ToUnicode(0x80)), 0x20ACU);
    EXPECT_EQ(static_cast<std::uint32_t>(Windows1252ToUnicode(0x96)), 0x2013U);
    EXPECT_EQ(static_cast<std::uint32_t>(Windows1252ToUnicode(0x81)), 0x0081U);
    EXPECT_EQ(UnicodeToWindows1252(U'\x65E5'), -1);
    EXPECT_EQ(UnicodeToWindows1252(U'\x0100'), -1);
}

}  // namespace
}  // namespace pindle
