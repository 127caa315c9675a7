#include "editor/SynEditTextUtils.h"

namespace pindle {

std::string NormalizeLineBreaks(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r') {
            result.push_back(c);
            continue;
        }
        result.push_back('\n');
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
    return result;
}

int ExpandedColumn(std::string_view line, int ch, int tabWidth) noexcept {
    if (tabWidth < 1) tabWidth = 1;
    if (ch < 1) ch = 1;
    const int inLine = std::min(ch - 1, static_cast<int>(line.size()));
    int column = 0;  // 0-based column of the next character
    for (int i = 0; i < inLine; ++i) {
        if (line[static_cast<std::size_t>(i)] == '\t') column = (column / tabWidth + 1) * tabWidth;
        else ++column;
    }
    return column + (ch - 1 - inLine) + 1;
}

int CharAtColumn(std::string_view line, int column, int tabWidth) noexcept {
    if (tabWidth < 1) tabWidth = 1;
    if (column < 1) column = 1;
    int start = 0;  // 0-based column where character i starts
    for (int i = 0; i < static_cast<int>(line.size()); ++i) {
        const int next = line[static_cast<std::size_t>(i)] == '\t' ? (start / tabWidth + 1) * tabWidth : start + 1;
        if (column - 1 < next) return i + 1;
        start = next;
    }
    return static_cast<int>(line.size()) + 1 + (column - 1 - start);
}

}  // namespace pindle
