// Small value types shared by the editor core, its undo history and its widget.
#pragma once

#include <compare>
#include <cstdint>

namespace pindle {

// A position in the text: Char is the 1-based character index in the line (it may lie beyond the
// line's end, where the caret stands in virtual space), Line the 1-based line number.
struct TBufferCoord {
    int Char = 1;
    int Line = 1;

    friend bool operator==(const TBufferCoord&, const TBufferCoord&) = default;
    friend std::strong_ordering operator<=>(const TBufferCoord& a, const TBufferCoord& b) noexcept {
        if (a.Line != b.Line) return a.Line <=> b.Line;
        return a.Char <=> b.Char;
    }
};

enum class TSynSelectionMode : std::uint8_t { smNormal, smColumn, smLine };

}  // namespace pindle
