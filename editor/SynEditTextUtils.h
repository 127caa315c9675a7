// Small text helpers of the editor core: character ranges, line breaks, word characters and the
// mapping between character positions and display columns with tabs.
#pragma once

#include "highlight/SynEditHighlighter.h"
#include "platform/Encoding.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace pindle {

[[nodiscard]] inline bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }

// The characters [first, last) of a line (1-based), clipped to the line.
[[nodiscard]] inline std::string_view CharRange(std::string_view line, int first, int last) noexcept {
    const auto size = static_cast<int>(line.size());
    first = std::clamp(first, 1, size + 1);
    last = std::clamp(last, first, size + 1);
    return line.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first));
}

// CR LF, CR and LF all become LF, the core's one line break.
[[nodiscard]] std::string NormalizeLineBreaks(std::string_view text);

// The 1-based display column of character ch; characters beyond the line's end take one column each.
[[nodiscard]] int ExpandedColumn(std::string_view line, int ch, int tabWidth,
                                 TTextEncoding encoding = TTextEncoding::Windows1252) noexcept;
// The character whose cells cover the display column (a column inside a tab gives the tab).
[[nodiscard]] int CharAtColumn(std::string_view line, int column, int tabWidth,
                               TTextEncoding encoding = TTextEncoding::Windows1252) noexcept;

// The length of the run of blanks at the start of the line.
[[nodiscard]] inline int LeadingBlanks(std::string_view line) noexcept {
    int n = 0;
    while (n < static_cast<int>(line.size()) && IsBlank(line[static_cast<std::size_t>(n)])) ++n;
    return n;
}

}  // namespace pindle
