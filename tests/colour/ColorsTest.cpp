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

TEST(ContrastRatio, RunsFromOneForTheSameColourToTwentyOneForBlackOnWhite)
{
    struct Case {
        std::int32_t A, B;
        double Ratio;
    };
    const Case cases[] = {
        {0x000000, 0xFFFFFF, 21.0},
        {0xFFFFFF, 0x000000, 21.0},    // either order
        {0x808080, 0x808080, 1.0},
        {0x767676, 0xFFFFFF, 4.54},    // the grey that just passes 4.5:1 on white
        {0x0000FF, 0xFFFFFF, 4.0},     // red (low byte) on white
        {0xFF0000, 0x000000, 2.44},    // blue on black
        {0x7F000000 | 0xFFFFFF, 0x000000, 21.0},  // bytes above the colour are not part of it
    };
    for (const Case& c : cases)
        EXPECT_NEAR(ContrastRatio(c.A, c.B), c.Ratio, 0.01) << std::hex << c.A << " on " << c.B;
}

TEST(ColorStandingOut, TakesTheFirstThatStandsApartFromEveryBackgroundElseTheBest)
{
    const std::int32_t white = 0xFFFFFF, black = 0, blue = 0xC68C30, midGray = 0x777777;
    // Blue stands apart from white but not from itself: on a blue row the text colour is taken.
    EXPECT_EQ(ColorStandingOut({blue, black, white}, {white}, 3.0), blue);
    EXPECT_EQ(ColorStandingOut({blue, black, white}, {blue, white}, 3.0), black);
    EXPECT_EQ(ColorStandingOut({blue, white}, {blue, black}, 3.0), white);
    // Nothing reaches 3:1 against mid grey and its neighbours: the best worst case wins.
    EXPECT_EQ(ColorStandingOut({midGray, 0x888888, black}, {midGray, 0x333333}, 3.0), black);
}

}  // namespace
}  // namespace pindle

