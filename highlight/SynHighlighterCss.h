// The highlighter of the source pane: splits CSS lines into comments, keywords, identifiers, numbers,
// strings, symbols, spaces and single other characters. Only comments span lines.
#pragma once

#include "highlight/SynEditHighlighter.h"

#include <array>
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
    [[nodiscard]] int TokenStart() const noexcept override { return tokenStart_; }
    void NextToken() noexcept override;
    void StartLine(std::string_view text, int lineIndex) noexcept override;
    // Keeps the low 8 bits of the value.
    void SetLineState(std::intptr_t value) noexcept override;
    void ResetLineState() noexcept override { range_ = 0; }

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
    // Plain function pointers taking the instance: a call through them needs no member-pointer
    // adjustment, and each procedure is inlined into its entry.
    using TScanProc = void (*)(TSynCssSyn&) noexcept;
    using TKeywordTest = TtkTokenKind (*)(TSynCssSyn&) noexcept;

    template <void (TSynCssSyn::*Procedure)() noexcept>
    static void Scan(TSynCssSyn& self) noexcept
    {
        (self.*Procedure)();
    }
    template <TtkTokenKind (TSynCssSyn::*Keywords)() noexcept>
    static TtkTokenKind Test(TSynCssSyn& self) noexcept
    {
        return (self.*Keywords)();
    }

    void InitKeywordTable() noexcept;
    void InitDispatchTable() noexcept;
    TtkTokenKind ClassifyIdentifier(const char* start) noexcept;
    [[nodiscard]] bool MatchesKeyword(std::string_view keyword) const noexcept;

    TtkTokenKind NotKeyword() noexcept;
    TtkTokenKind KeySum15() noexcept;
    TtkTokenKind KeySum18() noexcept;
    TtkTokenKind KeySum36() noexcept;
    TtkTokenKind KeySum40() noexcept;
    TtkTokenKind KeySum43() noexcept;
    TtkTokenKind KeySum49() noexcept;
    TtkTokenKind KeySum51() noexcept;
    TtkTokenKind KeySum55() noexcept;
    TtkTokenKind KeySum57() noexcept;
    TtkTokenKind KeySum59() noexcept;
    TtkTokenKind KeySum62() noexcept;
    TtkTokenKind KeySum63() noexcept;
    TtkTokenKind KeySum64() noexcept;
    TtkTokenKind KeySum66() noexcept;
    TtkTokenKind KeySum69() noexcept;
    TtkTokenKind KeySum72() noexcept;
    TtkTokenKind KeySum85() noexcept;
    TtkTokenKind KeySum90() noexcept;
    TtkTokenKind KeySum96() noexcept;
    TtkTokenKind KeySum116() noexcept;
    TtkTokenKind KeySum117() noexcept;
    TtkTokenKind KeySum138() noexcept;

    void EndOfLineProc() noexcept;
    void WhitespaceProc() noexcept;
    void LineFeedProc() noexcept;
    void CarriageReturnProc() noexcept;
    void HexNumberProc() noexcept;
    void StringProc() noexcept;
    void ParenthesisProc() noexcept;
    void SlashProc() noexcept;
    void CommentContinuation() noexcept;
    void NumberProc() noexcept;
    void IdentifierProc() noexcept;
    void BraceProc() noexcept;
    void OtherCharProc() noexcept;

    std::uint8_t range_ = 0;
    const char* line_ = "";
    int lineIndex_ = 0;
    std::array<TScanProc, 256> dispatchTable_{};
    std::int32_t pos_ = 0;
    std::int32_t identLen_ = 0;
    const char* identStart_ = nullptr;
    std::int32_t tokenStart_ = 0;
    TtkTokenKind tokenKind_ = TtkTokenKind::tkNull;
    std::array<TKeywordTest, 139> keywordTable_{};
    TSynHighlighterAttributes* commentAttri_ = nullptr;
    TSynHighlighterAttributes* identifierAttri_ = nullptr;
    TSynHighlighterAttributes* keyAttri_ = nullptr;
    TSynHighlighterAttributes* numberAttri_ = nullptr;
    TSynHighlighterAttributes* spaceAttri_ = nullptr;
    TSynHighlighterAttributes* stringAttri_ = nullptr;
    TSynHighlighterAttributes* symbolAttri_ = nullptr;
};

}  // namespace pindle
