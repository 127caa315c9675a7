#include "highlight/SynHighlighterCss.h"

#include <cassert>

namespace pindle {

namespace {

constexpr std::uint8_t kPlain = 0;
constexpr std::uint8_t kInComment = 1;

// Shared by every instance; computed by the compiler, so they exist before any highlighter does.
constexpr std::array<bool, 256> kIdentTable = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[c] = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == '_' || (c >= 'a' && c <= 'z');
    return table;
}();

constexpr std::array<std::int32_t, 256> kHashTable = [] {
    std::array<std::int32_t, 256> table{};
    for (int c = 'A'; c <= 'Z'; ++c)
        table[c] = c - 'A' + 1;
    for (int c = 'a'; c <= 'z'; ++c)
        table[c] = c - 'a' + 1;
    table['_'] = 31;
    return table;
}();

// One lookup per character while classifying: 0 ends the identifier, otherwise hash value + 1.
constexpr std::array<std::int32_t, 256> kIdentWeight = [] {
    std::array<std::int32_t, 256> table{};
    for (std::size_t c = 0; c < 256; ++c)
        table[c] = kIdentTable[c] ? kHashTable[c] + 1 : 0;
    return table;
}();

const TSynIdentChars& CssIdentChars() noexcept
{
    static const TSynIdentChars chars = [] {
        TSynIdentChars set;
        for (std::size_t c = 0; c < 256; ++c)
            set[c] = kIdentTable[c];
        return set;
    }();
    return chars;
}

inline unsigned char Byte(char c) noexcept
{
    return static_cast<unsigned char>(c);
}

inline bool IsBlank(char c) noexcept
{
    const unsigned char b = Byte(c);
    return b >= 1 && b <= 32 && b != 10 && b != 13;
}

inline bool IsLineBreakOrEnd(char c) noexcept
{
    return c == 0 || c == 10 || c == 13;
}

inline bool IsHexDigit(char c) noexcept
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

inline bool IsDigit(char c) noexcept
{
    return c >= '0' && c <= '9';
}

}  // namespace

TSynCssSyn::TSynCssSyn()
{
    auto comment = std::make_unique<TSynHighlighterAttributes>("Comment");
    comment->SetStyle(fsItalic);
    commentAttri_ = comment.get();
    RegisterAttribute(std::move(comment));

    auto identifier = std::make_unique<TSynHighlighterAttributes>("Identifier");
    identifierAttri_ = identifier.get();
    RegisterAttribute(std::move(identifier));

    auto key = std::make_unique<TSynHighlighterAttributes>("Key");
    key->SetStyle(fsBold);
    keyAttri_ = key.get();
    RegisterAttribute(std::move(key));

    const auto plain = [this](const char* name) {
        auto attribute = std::make_unique<TSynHighlighterAttributes>(name);
        TSynHighlighterAttributes* raw = attribute.get();
        RegisterAttribute(std::move(attribute));
        return raw;
    };
    numberAttri_ = plain("Number");
    spaceAttri_ = plain("Space");
    stringAttri_ = plain("String");
    symbolAttri_ = plain("Symbol");

    SetAttributeChangeHandler(MakeMethod(this, &TSynCustomHighlighter::AttributesChanged));
    InitKeywordTable();
    InitDispatchTable();
    SetDefaultFilter("Cascading Stylesheets (*.css)|*.css");
    range_ = kPlain;
}

TSynCssSyn::~TSynCssSyn()
{
    NotifyDestroying();
}

void TSynCssSyn::InitKeywordTable() noexcept
{
    keywordTable_.fill(&Test<&TSynCssSyn::NotKeyword>);
    keywordTable_[15] = &Test<&TSynCssSyn::KeySum15>;
    keywordTable_[18] = &Test<&TSynCssSyn::KeySum18>;
    keywordTable_[36] = &Test<&TSynCssSyn::KeySum36>;
    keywordTable_[40] = &Test<&TSynCssSyn::KeySum40>;
    keywordTable_[43] = &Test<&TSynCssSyn::KeySum43>;
    keywordTable_[49] = &Test<&TSynCssSyn::KeySum49>;
    keywordTable_[51] = &Test<&TSynCssSyn::KeySum51>;
    keywordTable_[55] = &Test<&TSynCssSyn::KeySum55>;
    keywordTable_[57] = &Test<&TSynCssSyn::KeySum57>;
    keywordTable_[59] = &Test<&TSynCssSyn::KeySum59>;
    keywordTable_[62] = &Test<&TSynCssSyn::KeySum62>;
    keywordTable_[63] = &Test<&TSynCssSyn::KeySum63>;
    keywordTable_[64] = &Test<&TSynCssSyn::KeySum64>;
    keywordTable_[66] = &Test<&TSynCssSyn::KeySum66>;
    keywordTable_[69] = &Test<&TSynCssSyn::KeySum69>;
    keywordTable_[72] = &Test<&TSynCssSyn::KeySum72>;
    keywordTable_[85] = &Test<&TSynCssSyn::KeySum85>;
    keywordTable_[90] = &Test<&TSynCssSyn::KeySum90>;
    keywordTable_[96] = &Test<&TSynCssSyn::KeySum96>;
    keywordTable_[116] = &Test<&TSynCssSyn::KeySum116>;
    keywordTable_[117] = &Test<&TSynCssSyn::KeySum117>;
    keywordTable_[138] = &Test<&TSynCssSyn::KeySum138>;
}

void TSynCssSyn::InitDispatchTable() noexcept
{
    for (int c = 0; c < 256; ++c) {
        TScanProc proc = &Scan<&TSynCssSyn::OtherCharProc>;
        if (c == 0)
            proc = &Scan<&TSynCssSyn::EndOfLineProc>;
        else if (c == 10)
            proc = &Scan<&TSynCssSyn::LineFeedProc>;
        else if (c == 13)
            proc = &Scan<&TSynCssSyn::CarriageReturnProc>;
        else if (c <= 32)
            proc = &Scan<&TSynCssSyn::WhitespaceProc>;
        else if (c == '#' || c == '$')
            proc = &Scan<&TSynCssSyn::HexNumberProc>;
        else if (c == '\'')
            proc = &Scan<&TSynCssSyn::StringProc>;
        else if (c == '(' || c == ')')
            proc = &Scan<&TSynCssSyn::ParenthesisProc>;
        else if (c == '/')
            proc = &Scan<&TSynCssSyn::SlashProc>;
        else if (c >= '0' && c <= '9')
            proc = &Scan<&TSynCssSyn::NumberProc>;
        else if (kIdentTable[static_cast<std::size_t>(c)])
            proc = &Scan<&TSynCssSyn::IdentifierProc>;
        else if (c == '{' || c == '}')
            proc = &Scan<&TSynCssSyn::BraceProc>;
        dispatchTable_[static_cast<std::size_t>(c)] = proc;
    }
}

TSynHighlighterAttributes* TSynCssSyn::StandardAttribute(int index) const noexcept
{
    switch (index) {
    case 0: return commentAttri_;
    case 1: return identifierAttri_;
    case 2: return keyAttri_;
    case 3: return stringAttri_;
    case 4: return spaceAttri_;
    default: return nullptr;
    }
}

const TSynIdentChars& TSynCssSyn::IdentifierChars() const noexcept
{
    return CssIdentChars();
}

std::string TSynCssSyn::TokenText() const
{
    return std::string(line_ + tokenStart_, static_cast<std::size_t>(pos_ - tokenStart_));
}

TSynHighlighterAttributes* TSynCssSyn::TokenAttribute() const noexcept
{
    switch (tokenKind_) {
    case TtkTokenKind::tkComment: return commentAttri_;
    case TtkTokenKind::tkIdentifier: return identifierAttri_;
    case TtkTokenKind::tkKey: return keyAttri_;
    case TtkTokenKind::tkNumber: return numberAttri_;
    case TtkTokenKind::tkSpace: return spaceAttri_;
    case TtkTokenKind::tkString: return stringAttri_;
    case TtkTokenKind::tkSymbol: return symbolAttri_;
    case TtkTokenKind::tkUnknown: return identifierAttri_;
    case TtkTokenKind::tkNull: return nullptr;
    }
    return nullptr;
}

void TSynCssSyn::StartLine(std::string_view text, int lineIndex) noexcept
{
    line_ = text.data() != nullptr ? text.data() : "";
    assert(text.data() == nullptr || line_[text.size()] == 0);
    pos_ = 0;
    lineIndex_ = lineIndex;
    NextToken();
}

void TSynCssSyn::SetLineState(std::intptr_t value) noexcept
{
    range_ = static_cast<std::uint8_t>(value & 0xFF);
}

void TSynCssSyn::NextToken() noexcept
{
    tokenStart_ = pos_;
    if (range_ == kInComment)
        CommentContinuation();
    else
        dispatchTable_[Byte(line_[pos_])](*this);
}

void TSynCssSyn::ScanRestOfLine() noexcept
{
    while (tokenKind_ != TtkTokenKind::tkNull)
        TSynCssSyn::NextToken();
}

void TSynCssSyn::EndOfLineProc() noexcept
{
    tokenKind_ = TtkTokenKind::tkNull;
}

// The procedures below scan through a local pointer and store the position once at the end, so
// that the loops run in registers.

void TSynCssSyn::WhitespaceProc() noexcept
{
    const char* p = line_ + pos_ + 1;
    tokenKind_ = TtkTokenKind::tkSpace;
    while (IsBlank(*p))
        ++p;
    pos_ = static_cast<std::int32_t>(p - line_);
}

void TSynCssSyn::LineFeedProc() noexcept
{
    tokenKind_ = TtkTokenKind::tkSpace;
    ++pos_;
}

void TSynCssSyn::CarriageReturnProc() noexcept
{
    tokenKind_ = TtkTokenKind::tkSpace;
    ++pos_;
    if (line_[pos_] == 10)
        ++pos_;
}

void TSynCssSyn::HexNumberProc() noexcept
{
    const char* p = line_ + pos_ + 1;
    tokenKind_ = TtkTokenKind::tkNumber;
    while (IsHexDigit(*p))
        ++p;
    pos_ = static_cast<std::int32_t>(p - line_);
}

void TSynCssSyn::StringProc() noexcept
{
    const char* p = line_ + pos_;
    tokenKind_ = TtkTokenKind::tkString;
    // The first test fails on a terminating zero, so the second never reads past the text.
    if (p[1] == '\'' && p[2] == '\'')
        p += 2;
    for (;;) {
        if (IsLineBreakOrEnd(*p))
            break;
        ++p;
        if (*p == '\'')
            break;
    }
    if (*p != 0)
        ++p;
    pos_ = static_cast<std::int32_t>(p - line_);
}

void TSynCssSyn::ParenthesisProc() noexcept
{
    ++pos_;
    tokenKind_ = TtkTokenKind::tkSymbol;
}

void TSynCssSyn::SlashProc() noexcept
{
    ++pos_;
    if (line_[pos_] == '*') {
        tokenKind_ = TtkTokenKind::tkComment;
        range_ = kInComment;
        ++pos_;
        if (!IsLineBreakOrEnd(line_[pos_]))
            CommentContinuation();
    } else {
        tokenKind_ = TtkTokenKind::tkSymbol;
    }
}

void TSynCssSyn::CommentContinuation() noexcept
{
    const char* p = line_ + pos_;
    if (*p == 0) {
        tokenKind_ = TtkTokenKind::tkNull;
        return;
    }
    tokenKind_ = TtkTokenKind::tkComment;
    for (;;) {
        if (*p == '*' && p[1] == '/') {
            range_ = kPlain;
            p += 2;
            break;
        }
        ++p;
        if (IsLineBreakOrEnd(*p))
            break;
    }
    pos_ = static_cast<std::int32_t>(p - line_);
}

void TSynCssSyn::NumberProc() noexcept
{
    const char* p = line_ + pos_ + 1;
    tokenKind_ = TtkTokenKind::tkNumber;
    for (;;) {
        const char c = *p;
        if (c == '.') {
            if (p[1] == '.')
                break;
        } else if (!IsDigit(c) && c != 'E' && c != 'e') {
            break;
        }
        ++p;
    }
    pos_ = static_cast<std::int32_t>(p - line_);
}

void TSynCssSyn::IdentifierProc() noexcept
{
    tokenKind_ = ClassifyIdentifier(line_ + pos_);
    const char* p = line_ + pos_ + identLen_;
    // Classification counted every identifier character already; this finds none, but keeps the
    // token whole should the two ever disagree.
    while (kIdentTable[Byte(*p)])
        ++p;
    pos_ = static_cast<std::int32_t>(p - line_);
}

void TSynCssSyn::BraceProc() noexcept
{
    const char* p = line_ + pos_ + 1;
    tokenKind_ = TtkTokenKind::tkString;
    while (IsDigit(*p))
        ++p;
    pos_ = static_cast<std::int32_t>(p - line_);
}

void TSynCssSyn::OtherCharProc() noexcept
{
    ++pos_;
    tokenKind_ = TtkTokenKind::tkUnknown;
}

inline TtkTokenKind TSynCssSyn::ClassifyIdentifier(const char* start) noexcept
{
    identStart_ = start;
    // 64 bits: a line-long identifier must not overflow the sum.
    std::int64_t sum = 0;
    const char* p = start;
    for (;;) {
        const std::int32_t weight = kIdentWeight[Byte(*p)];
        if (weight == 0)
            break;
        sum += weight - 1;
        ++p;
    }
    identLen_ = static_cast<std::int32_t>(p - start);
    if (sum > 138)
        return TtkTokenKind::tkIdentifier;
    return keywordTable_[static_cast<std::size_t>(sum)](*this);
}

bool TSynCssSyn::MatchesKeyword(std::string_view keyword) const noexcept
{
    const auto length = static_cast<std::int32_t>(keyword.size());
    if (length != identLen_)
        return false;
    for (std::int32_t i = 0; i < length; ++i) {
        if (kHashTable[Byte(identStart_[i])] != kHashTable[Byte(keyword[i])])
            return false;
    }
    return true;
}

TtkTokenKind TSynCssSyn::NotKeyword() noexcept
{
    return TtkTokenKind::tkIdentifier;
}

#define PINDLE_KEYWORD_TEST(sum, ...)                                        \
    TtkTokenKind TSynCssSyn::KeySum##sum() noexcept                          \
    {                                                                        \
        for (std::string_view keyword : {__VA_ARGS__}) {                     \
            if (MatchesKeyword(keyword))                                     \
                return TtkTokenKind::tkKey;                                  \
        }                                                                    \
        return TtkTokenKind::tkIdentifier;                                   \
    }

using namespace std::string_view_literals;

PINDLE_KEYWORD_TEST(15, "face"sv)
PINDLE_KEYWORD_TEST(18, "em"sv)
PINDLE_KEYWORD_TEST(36, "pt"sv)
PINDLE_KEYWORD_TEST(40, "px"sv, "line"sv)
PINDLE_KEYWORD_TEST(43, "left"sv, "align"sv)
PINDLE_KEYWORD_TEST(49, "shape"sv)
PINDLE_KEYWORD_TEST(51, "top"sv)
PINDLE_KEYWORD_TEST(55, "padding"sv, "font"sv)
PINDLE_KEYWORD_TEST(57, "height"sv)
PINDLE_KEYWORD_TEST(59, "size"sv)
PINDLE_KEYWORD_TEST(62, "right"sv, "margin"sv)
PINDLE_KEYWORD_TEST(63, "color"sv)
PINDLE_KEYWORD_TEST(64, "width"sv)
PINDLE_KEYWORD_TEST(66, "family"sv)
PINDLE_KEYWORD_TEST(69, "text"sv)
PINDLE_KEYWORD_TEST(72, "weight"sv)
PINDLE_KEYWORD_TEST(85, "bottom"sv)
PINDLE_KEYWORD_TEST(90, "vertical"sv)
PINDLE_KEYWORD_TEST(96, "background"sv)
PINDLE_KEYWORD_TEST(116, "overflow"sv)
PINDLE_KEYWORD_TEST(117, "position"sv)
PINDLE_KEYWORD_TEST(138, "horizontal"sv)

#undef PINDLE_KEYWORD_TEST

}  // namespace pindle
