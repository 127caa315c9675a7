#include "editor/SynEditTextUtils.h"

#include "editor/SynEditChars.h"

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

int ExpandedColumn(std::string_view line, int ch, int tabWidth, TTextEncoding encoding) noexcept {
    return WalkToPos(line, {}, std::max(ch, 1) - 1, tabWidth, encoding).Column + 1;
}

int CharAtColumn(std::string_view line, int column, int tabWidth, TTextEncoding encoding) noexcept {
    return WalkToColumn(line, {}, std::max(column, 1) - 1, tabWidth, encoding).Pos + 1;
}

}  // namespace pindle
