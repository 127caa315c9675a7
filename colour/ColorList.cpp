#include "colour/ColorList.h"

#include <utility>

namespace pindle {

namespace {

unsigned char LowerByte(unsigned char c) noexcept
{
    const bool asciiCapital = c >= 'A' && c <= 'Z';
    const bool latinCapital = c >= 0xC0 && c <= 0xDE && c != 0xD7;
    return (asciiCapital || latinCapital) ? static_cast<unsigned char>(c + 32) : c;
}

}  // namespace

std::string LowerName(std::string_view name)
{
    std::string lower(name);
    for (char& c : lower)
        c = static_cast<char>(LowerByte(static_cast<unsigned char>(c)));
    return lower;
}

bool ColorEntryLess(const TColorEntry& a, const TColorEntry& b, TSortBy mode)
{
    switch (mode) {
    case TSortBy::ccsColor:
        return a.Value < b.Value;
    case TSortBy::ccsText:
        // std::string compares its bytes as unsigned char, a prefix sorting first.
        return LowerName(a.Name) < LowerName(b.Name);
    case TSortBy::ccsUnsorted:
        break;
    }
    return false;
}

std::size_t ColorInsertPosition(const std::vector<TColorEntry>& entries, const TColorEntry& entry,
                                TSortBy mode)
{
    if (mode == TSortBy::ccsUnsorted)
        return entries.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (ColorEntryLess(entry, entries[i], mode))
            return i;
    }
    return entries.size();
}

void SortColorEntries(std::vector<TColorEntry>& entries, TSortBy mode)
{
    if (mode == TSortBy::ccsUnsorted || entries.size() < 2)
        return;
    const std::size_t count = entries.size();
    for (std::size_t i = 0; i + 1 < count; ++i) {
        for (std::size_t j = count - 1; j > i; --j) {
            if (ColorEntryLess(entries[j], entries[j - 1], mode))
                std::swap(entries[j], entries[j - 1]);
        }
    }
}

int IndexOfColor(const std::vector<TColorEntry>& entries, std::int32_t value) noexcept
{
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].Value == value)
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace pindle
