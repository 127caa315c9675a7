// One style row: a CSS rule of the generated block, held as texts exactly as they were set.
#pragma once

#include <array>
#include <string>

namespace pindle {

// Sub-item positions, in the column order of the style table.
enum TStyleColumn : int {
    scFontFamily = 0,
    scFontSize = 1,
    scFontWeight = 2,
    scFontStyle = 3,
    scDecoration = 4,
    scLineHeight = 5,
    scLetterSpacing = 6,
    scWordSpacing = 7,
    scColor = 8,
    scBgColor = 9,
    scComment = 10,
};

inline constexpr int StyleSubItemCount = 11;

struct TStyleRow {                             // one CSS rule of the generated block
    std::string Caption;                       // selector, e.g. "h1.title"
    int ImageIndex = 0;
    std::array<std::string, 11> SubItems;      // column order of the style table; "" = not set

    friend bool operator==(const TStyleRow&, const TStyleRow&) = default;
};

}  // namespace pindle
