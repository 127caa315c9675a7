// The CSS highlighter, with a record of the lines it is asked to scan: how many, and the longest.
#pragma once

#include "highlight/SynHighlighterCss.h"

#include <algorithm>
#include <cstddef>

namespace pindle::test {

class TCountingCss final : public TSynCustomHighlighter {
public:
    [[nodiscard]] TSynHighlighterAttributes* StandardAttribute(int index) const noexcept override
    {
        return css_.StandardAttribute(index);
    }
    [[nodiscard]] const TSynIdentChars& IdentifierChars() const noexcept override { return css_.IdentifierChars(); }
    [[nodiscard]] int AttributeCount() const noexcept override { return css_.AttributeCount(); }
    [[nodiscard]] TSynHighlighterAttributes* AttributeAt(int index) const noexcept override
    {
        return css_.AttributeAt(index);
    }
    [[nodiscard]] bool AtLineEnd() const noexcept override { return css_.AtLineEnd(); }
    [[nodiscard]] std::intptr_t LineState() const noexcept override { return css_.LineState(); }
    [[nodiscard]] std::string TokenText() const override { return css_.TokenText(); }
    [[nodiscard]] TSynHighlighterAttributes* TokenAttribute() const noexcept override { return css_.TokenAttribute(); }
    [[nodiscard]] int TokenKind() const noexcept override { return css_.TokenKind(); }
    [[nodiscard]] int TokenStart() const noexcept override { return css_.TokenStart(); }
    void NextToken() noexcept override { css_.NextToken(); }
    void StartLine(std::string_view text, int lineIndex) noexcept override
    {
        ++Scanned;
        Longest = std::max(Longest, text.size());
        css_.StartLine(text, lineIndex);
    }
    void SetLineState(std::intptr_t value) noexcept override { css_.SetLineState(value); }
    void ResetLineState() noexcept override { css_.ResetLineState(); }

    int Scanned = 0;
    std::size_t Longest = 0;

private:
    TSynCssSyn css_;
};

}  // namespace pindle::test
