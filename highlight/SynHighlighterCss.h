// The highlighter of the source pane: splits CSS lines into comments, keywords, identifiers, numbers,
// strings, symbols, spaces and single other characters. Only comments span lines.
#pragma once

#include "highlight/SynEditHighlighter.h"

#include <cstdint>

namespace pindle {

// The codes TokenKind returns.
enum class TtkTokenKind : std::uint8_t {
    tkComment = 0,
    tkIdentifier = 1,
    tkKey = 2,
    tkNull = 3,
    tkNumber = 4,
    tkSpace = 5,
    tkString = 6,
    tkSymbol = 7,
    tkUnknown = 8,
};

// The line states: nothing open, or inside a comment.
enum class TRangeState : std::uint8_t { rsUnknown = 0, rsComment = 1 };

class TSynCssSyn final : public TSynCustomHighlighter {
public:
    TSynCssSyn();
    ~TSynCssSyn() override;

    [[nodiscard]] TSynHighlighterAttributes* StandardAttribute(int index) const noexcept override;
    [[nodiscard]] const TSynIdentChars& IdentifierChars() const noexcept override;
    [[nodiscard]] std::string SyntaxName() const override { return "Cascading Stylesheets"; }
    [[nodiscard]] bool AtLineEnd() const noexcept override { return tokenKind_ == TtkTokenKind::tkNull; }
    [[nodiscard]] std::intptr_t LineState() const noexcept override { return static_cast<std::intptr_t>(range_); }
    [[nodiscard]] std::string TokenText() const override;
    [[nodiscard]] TSynHighlighterAttributes* TokenAttribute() const noexcept override;
    [[nodiscard]] int TokenKind() const noexcept override { return static_cast<int>(tokenKind_); }
    [[nodiscard]] int TokenStart() const noexcept override { return static_cast<int>(tokenStart_ - line_); }
    void NextToken() noexcept override;
    void StartLine(std::string_view text, int lineIndex) noexcept override;
    // Keeps the low 8 bits of the value.
    void SetLineState(std::intptr_t value) noexcept override;
    void ResetLineState() noexcept override { range_ = 0; }
    // Straight to the line's end: the first token needs no scanning of its own, as no token but a
    // string or a comment holds what can change the line state.
    std::intptr_t ScanLineFrom(std::string_view text, int lineIndex, std::intptr_t state) noexcept override;
    bool ScanLinePart(std::string_view text, std::size_t& offset, std::intptr_t& state,
                      std::size_t pauseAt) noexcept override;

    [[nodiscard]] TSynHighlighterAttributes* CommentAttri() const noexcept { return commentAttri_; }
    [[nodiscard]] TSynHighlighterAttributes* IdentifierAttri() const noexcept { return identifierAttri_; }
    [[nodiscard]] TSynHighlighterAttributes* KeyAttri() const noexcept { return keyAttri_; }
    [[nodiscard]] TSynHighlighterAttributes* NumberAttri() const noexcept { return numberAttri_; }
    [[nodiscard]] TSynHighlighterAttributes* SpaceAttri() const noexcept { return spaceAttri_; }
    [[nodiscard]] TSynHighlighterAttributes* StringAttri() const noexcept { return stringAttri_; }
    [[nodiscard]] TSynHighlighterAttributes* SymbolAttri() const noexcept { return symbolAttri_; }

    // The index given to the last StartLine; kept for callers, not used for tokenizing.
    [[nodiscard]] int LineIndex() const noexcept { return lineIndex_; }

protected:
    void ScanRestOfLine() noexcept override;

private:
    // The scanning state lives in plain fields that the scanner in the source file takes into registers
    // for one token (NextToken) or for the rest of the line (ScanRestOfLine) and hands back.
    std::uint8_t range_ = 0;
    const char* line_ = "";
    int lineIndex_ = 0;
    const char* next_ = "";        // where the next token starts
    const char* tokenStart_ = "";  // the current token's first character
    TtkTokenKind tokenKind_ = TtkTokenKind::tkNull;
    TSynHighlighterAttributes* commentAttri_ = nullptr;
    TSynHighlighterAttributes* identifierAttri_ = nullptr;
    TSynHighlighterAttributes* keyAttri_ = nullptr;
    TSynHighlighterAttributes* numberAttri_ = nullptr;
    TSynHighlighterAttributes* spaceAttri_ = nullptr;
    TSynHighlighterAttributes* stringAttri_ = nullptr;
    TSynHighlighterAttributes* symbolAttri_ = nullptr;
};

}  // namespace pindle
