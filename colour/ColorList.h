// The ordering rules of a colour combo box's entries, kept apart from the widget so that they can
// be used and checked without a display.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pindle {

enum class TSortBy : std::uint8_t { ccsUnsorted, ccsColor, ccsText };

struct TColorEntry {
    std::string Name;
    std::int32_t Value = 0;

    friend bool operator==(const TColorEntry&, const TColorEntry&) = default;
};

// The 8-bit lower-case mapping used to order names: A-Z and the Latin-1 capitals.
[[nodiscard]] std::string LowerName(std::string_view name);

// True when a sorts strictly before b in the given mode (never for ccsUnsorted).
[[nodiscard]] bool ColorEntryLess(const TColorEntry& a, const TColorEntry& b, TSortBy mode);

// Where AddColor puts a new entry: at the end when unsorted, otherwise before the first entry that
// sorts after it, so that equal entries keep their order of insertion. Assumes the list is in order.
[[nodiscard]] std::size_t ColorInsertPosition(const std::vector<TColorEntry>& entries,
                                              const TColorEntry& entry, TSortBy mode);

// A stable neighbour-exchange sort; leaves the list alone for ccsUnsorted.
void SortColorEntries(std::vector<TColorEntry>& entries, TSortBy mode);

// Position of the first entry with the value, or -1.
[[nodiscard]] int IndexOfColor(const std::vector<TColorEntry>& entries, std::int32_t value) noexcept;

}  // namespace pindle
