// Small value types shared by the editor core, its undo history and its widget.
#pragma once

#include <compare>
#include <cstdint>

namespace pindle {

// A position in the text: Char is the 1-based byte position in the line, always at the start of a
// character (in UTF-8 a character may take several bytes); beyond the line's end each further value
// is one cell of virtual space, where the caret may stand. Line is the 1-based line number.
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
