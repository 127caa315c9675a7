#include "colour/ColorList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pindle {
namespace {

std::vector<TColorEntry> AddAll(TSortBy mode, const std::vector<TColorEntry>& added)
{
    std::vector<TColorEntry> entries;
    for (const auto& entry : added)
        entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(ColorInsertPosition(entries, entry, mode)),
                       entry);
    return entries;
}

std::string Names(const std::vector<TColorEntry>& entries)
{
    std::string names;
    for (const auto& entry : entries)
        names += entry.Name + " ";
    return names;
}

TEST(ColorInsertPosition, PlacesEachEntryByTheMode)
{
    const struct {
        TSortBy mode;
        std::vector<TColorEntry> added;
        const char* expected;
    } cases[] = {
        {TSortBy::ccsUnsorted, {{"b", 3}, {"a", 1}, {"c", 2}}, "b a c "},
        {TSortBy::ccsColor, {{"A", 0x80}, {"B", 0}, {"C", 0x80}}, "B A C "},
        {TSortBy::ccsColor, {{"neg", -1}, {"big", 0x1FFFFFFF}, {"zero", 0}}, "neg zero big "},
        {TSortBy::ccsText, {{"b", 0}, {"A", 1}, {"a", 2}}, "A a b "},
        {TSortBy::ccsText, {{"Red", 0}, {"red", 1}, {"Re", 2}, {"RED", 3}}, "Re Red red RED "},
        // Latin-1 capitals sort with their small letters, after ASCII.
        {TSortBy::ccsText, {{"\xC9" "cru", 0}, {"zinc", 1}, {"\xE9" "b\xE8ne", 2}}, "zinc \xE9" "b\xE8ne \xC9" "cru "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Names(AddAll(c.mode, c.added)), c.expected);
}

TEST(SortColorEntries, IsStableInBothModesAndLeavesUnsortedAlone)
{
    const std::vector<TColorEntry> start = {{"b2", 2}, {"A", 2}, {"a", 1}, {"B1", 1}, {"c", 0}};
    auto byColor = start;
    SortColorEntries(byColor, TSortBy::ccsColor);
    EXPECT_EQ(Names(byColor), "c a B1 b2 A ");

    auto byText = std::vector<TColorEntry>{{"b", 1}, {"A", 2}, {"B", 3}, {"a", 4}};
    SortColorEntries(byText, TSortBy::ccsText);
    EXPECT_EQ(Names(byText), "A a b B ");

    auto unsorted = start;
    SortColorEntries(unsorted, TSortBy::ccsUnsorted);
    EXPECT_EQ(unsorted, start);
}

}  // namespace
}  // namespace pindle
