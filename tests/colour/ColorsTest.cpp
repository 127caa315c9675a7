#include "colour/ColorList.h"
#include "colour/Colors.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <vector>

namespace pindle {
namespace {

TEST(ColorToHex, PutsRedFirstAndDropsDigitsAboveSix)
{
    const struct {
        std::int32_t value;
        const char* text;
    } cases[] = {
        {0x8080FF, "FF8080"}, {0x000080, "800000"}, {0, "000000"},      {-1, "FFFFFF"},
        {clNone, "FFFF1F"},   {0xFF0000, "0000FF"}, {0x123456, "563412"}, {0x0ABCDE, "DEBC0A"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ColorToHex(c.value), c.text) << std::hex << c.value;
}

TEST(HexToColor, ReordersThePairsThatExist)
{
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {
        {"", clNone},           {"#FF8080", 0x8080FF}, {"FF8080", 0x8080FF}, {"#80ff80", 0x80FF80},
        {"#FF8080FF", 0x8080FF}, {"#FFF", 0x000FFF},   {"#F", 0x00000F},     {"#123456", 0x563412},
        {"#12345", 0x53412},     {"abcdef", 0xEFCDAB},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HexToColor(c.text), c.value) << c.text;
}

TEST(HexToColor, RejectsTextThatIsNotHexadecimal)
{
    for (const char* text : {"#", "#GG0000", "red", "# 12345", "-12345", "#12 456", "##1234", "0x1234"})
        EXPECT_THROW((void)HexToColor(text), EConvertError) << text;
}

TEST(HexToColor, ReadsBackEveryColourTextItWrites)
{
    for (std::int32_t value = 0; value <= 0xFFFFFF; value += 0x010203) {
        const std::string hex = ColorToHex(value);
        ASSERT_EQ(HexToColor("#" + hex), value) << value;
    }
    const std::string white = ColorToHex(0xFFFFFF);
    EXPECT_EQ(HexToColor("#" + white), 0xFFFFFF);
}

TEST(NamedColors, SortByValueIntoTheDialogsOrderKeepingEqualValuesInInsertionOrder)
{
    std::vector<TColorEntry> entries;
    for (const auto& color : NamedColors())
        entries.push_back({color.Name, color.Value});
    SortColorEntries(entries, TSortBy::ccsColor);

    const std::vector<std::string> expected = {
        "Black", "Maroon", "Red", "Dark green", "Green", "Olive", "Lime", "Yellow", "Brown", "Orange",
        "Navy", "Purple", "Teal", "Dark gray", "Gray", "Light red", "Light green", "Light yellow",
        "Blue grey", "Pink", "Light gray", "Silver", "Blue", "Fuchsia", "Light purple", "Aqua",
        "Light blue", "White",
    };
    std::vector<std::string> names;
    for (const auto& entry : entries)
        names.push_back(entry.Name);
    EXPECT_EQ(names, expected);
    EXPECT_EQ(entries[IndexOfColor(entries, HexToColor("#808080"))].Name, "Dark gray");
    EXPECT_EQ(entries[IndexOfColor(entries, HexToColor("#C0C0C0"))].Name, "Light gray");
    EXPECT_EQ(IndexOfColor(entries, clNone), -1);
}

}  // namespace
}  // namespace pindle
