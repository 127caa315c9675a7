#include "highlight/SynHighlighterCss.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <string_view>

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

// What a token starting with each character code is; the scanner switches on it.
enum class TCharClass : std::uint8_t {
    EndOfLine,
    Blank,
    LineFeed,
    CarriageReturn,
    HexNumber,
    Apostrophe,
    Parenthesis,
    Slash,
    Digit,
    IdentifierStart,
    Brace,
    Other,
};

constexpr std::array<TCharClass, 256> kCharClass = [] {
    std::array<TCharClass, 256> table{};
    for (int c = 0; c < 256; ++c) {
        TCharClass kind = TCharClass::Other;
        if (c == 0)
            kind = TCharClass::EndOfLine;
        else if (c == 10)
            kind = TCharClass::LineFeed;
        else if (c == 13)
            kind = TCharClass::CarriageReturn;
        else if (c <= 32)
            kind = TCharClass::Blank;
        else if (c == '#' || c == '$')
            kind = TCharClass::HexNumber;
        else if (c == '\'')
            kind = TCharClass::Apostrophe;
        else if (c == '(' || c == ')')
            kind = TCharClass::Parenthesis;
        else if (c == '/')
            kind = TCharClass::Slash;
        else if (c >= '0' && c <= '9')
            kind = TCharClass::Digit;
        else if (kIdentTable[static_cast<std::size_t>(c)])
            kind = TCharClass::IdentifierStart;
        else if (c == '{' || c == '}')
            kind = TCharClass::Brace;
        table[static_cast<std::size_t>(c)] = kind;
    }
    return table;
}();

// The keywords, lower case, under the sum of their characters' hash values; at most two share a sum,
// and they are tested in the order given.
struct TKeywordSlot {
    std::string_view First;
    std::string_view Second;
};

constexpr std::int64_t kMaxKeywordSum = 138;

constexpr std::int64_t HashSum(std::string_view word)
{
    std::int64_t sum = 0;
    for (const char c : word)
        sum += kHashTable[static_cast<unsigned char>(c)];
    return sum;
}

constexpr std::array<TKeywordSlot, kMaxKeywordSum + 1> kKeywordSlots = [] {
    constexpr std::string_view keywords[] = {
        "face", "em", "pt", "px", "line", "left", "align", "shape", "top", "padding", "font", "height", "size",
        "right", "margin", "color", "width", "family", "text", "weight", "bottom", "vertical", "background",
        "overflow", "position", "horizontal",
    };
    std::array<TKeywordSlot, kMaxKeywordSum + 1> slots{};
    for (const std::string_view keyword : keywords) {
        TKeywordSlot& slot = slots[static_cast<std::size_t>(HashSum(keyword))];
        (slot.First.empty() ? slot.First : slot.Second) = keyword;
    }
    return slots;
}();

static_assert(kKeywordSlots[40].First == "px" && kKeywordSlots[40].Second == "line");
static_assert(kKeywordSlots[55].First == "padding" && kKeywordSlots[55].Second == "font");
static_assert(kKeywordSlots[15].First == "face" && kKeywordSlots[138].First == "horizontal");

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

// The identifier equals the keyword when each of its characters has the hash value of the keyword's:
// letters match in either case, and '0' to '9' or '_' never match a letter. For identifier
// characters against a lower-case keyword that is comparing with the case bit set.
inline bool MatchesKeyword(const char* identifier, std::size_t length, std::string_view keyword) noexcept
{
    if (length != keyword.size())
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        if ((identifier[i] | 0x20) != keyword[i])
            return false;
    }
    return true;
}

// The scanning state of one line: where the next token starts, the line state and the kind of the
// token scanned last. A small value, which the compiler keeps in registers while NextToken scans one
// token and while SkipToLineEnd runs to the end of the line; every procedure takes the position of a
// token's first character and returns where the next one starts.
struct TCssScanner {
    const char* Next;
    std::uint8_t Range;
    TtkTokenKind Kind;

    // Scans the token at Next. Forced inline: a copy that stays a function of its own would make the
    // scanner live in memory.
    [[gnu::always_inline]] inline void Step() noexcept;

    const char* Whitespace(const char* p) noexcept;
    const char* HexNumber(const char* p) noexcept;
    const char* String(const char* p) noexcept;
    const char* Slash(const char* p) noexcept;
    const char* Comment(const char* p) noexcept;
    const char* Number(const char* p) noexcept;
    const char* Identifier(const char* p) noexcept;
    const char* Brace(const char* p) noexcept;
    const char* Single(const char* p, TtkTokenKind kind) noexcept;

    // Moves to the end of the line, where the end-of-line token starts, with the line state the
    // tokens on the way would leave, without scanning them one by one. With a pause address, stops
    // instead at the first place at or after it where the scan can take up again with Next and Range
    // alone; what leads up to such a place looks at no byte after it.
    void SkipToLineEnd(std::uintptr_t pause = UINTPTR_MAX) noexcept;
};

void TCssScanner::Step() noexcept
{
    const char* p = Next;
    if (Range == kInComment) {
        Next = Comment(p);
        return;
    }
    switch (kCharClass[Byte(*p)]) {
    case TCharClass::EndOfLine: Kind = TtkTokenKind::tkNull; break;
    case TCharClass::Blank: p = Whitespace(p); break;
    case TCharClass::LineFeed: p = Single(p, TtkTokenKind::tkSpace); break;
    case TCharClass::CarriageReturn:
        p = Single(p, TtkTokenKind::tkSpace);
        if (*p == 10)
            ++p;
        break;
    case TCharClass::HexNumber: p = HexNumber(p); break;
    case TCharClass::Apostrophe: p = String(p); break;
    case TCharClass::Parenthesis: p = Single(p, TtkTokenKind::tkSymbol); break;
    case TCharClass::Slash: p = Slash(p); break;
    case TCharClass::Digit: p = Number(p); break;
    case TCharClass::IdentifierStart: p = Identifier(p); break;
    case TCharClass::Brace: p = Brace(p); break;
    case TCharClass::Other: p = Single(p, TtkTokenKind::tkUnknown); break;
    }
    Next = p;
}

inline const char* TCssScanner::Whitespace(const char* p) noexcept
{
    Kind = TtkTokenKind::tkSpace;
    ++p;
    while (IsBlank(*p))
        ++p;
    return p;
}

inline const char* TCssScanner::HexNumber(const char* p) noexcept
{
    Kind = TtkTokenKind::tkNumber;
    ++p;
    while (IsHexDigit(*p))
        ++p;
    return p;
}

// A string never continues on the next line, and the line state is not touched.
inline const char* TCssScanner::String(const char* p) noexcept
{
    Kind = TtkTokenKind::tkString;
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
    return p;
}

inline const char* TCssScanner::Slash(const char* p) noexcept
{
    ++p;
    if (*p != '*') {
        Kind = TtkTokenKind::tkSymbol;
        return p;
    }
    Kind = TtkTokenKind::tkComment;
    Range = kInComment;
    ++p;
    if (IsLineBreakOrEnd(*p))
        return p;
    return Comment(p);
}

// The rest of a comment up to its "*/", a line break or the end. An empty rest of line gives the
// end-of-line token and stays in the comment.
inline const char* TCssScanner::Comment(const char* p) noexcept
{
    if (*p == 0) {
        Kind = TtkTokenKind::tkNull;
        return p;
    }
    Kind = TtkTokenKind::tkComment;
    // The first character belongs to the comment even when it is a line break.
    if (*p == '*' && p[1] == '/') {
        Range = kPlain;
        return p + 2;
    }
    ++p;
    for (;;) {
        p += std::strcspn(p, "*\r\n");
        if (*p != '*')
            return p;
        if (p[1] == '/') {
            Range = kPlain;
            return p + 2;
        }
        ++p;
    }
}

// Digits, 'E', 'e' and '.', except a '.' followed by another.
inline const char* TCssScanner::Number(const char* p) noexcept
{
    Kind = TtkTokenKind::tkNumber;
    ++p;
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
    return p;
}

// One pass sums the hash values and finds the length; the sum picks the at most two keywords that
// can match, and each comparison looks at the lengths first.
inline const char* TCssScanner::Identifier(const char* p) noexcept
{
    const char* start = p;
    // 64 bits: a line-long identifier must not overflow the sum.
    std::int64_t sum = 0;
    for (;;) {
        const std::int32_t weight = kIdentWeight[Byte(*p)];
        if (weight == 0)
            break;
        sum += weight - 1;
        ++p;
    }
    const auto length = static_cast<std::size_t>(p - start);
    Kind = TtkTokenKind::tkIdentifier;
    if (sum <= kMaxKeywordSum) {
        const TKeywordSlot& slot = kKeywordSlots[static_cast<std::size_t>(sum)];
        if (MatchesKeyword(start, length, slot.First) || MatchesKeyword(start, length, slot.Second))
            Kind = TtkTokenKind::tkKey;
    }
    return p;
}

inline const char* TCssScanner::Brace(const char* p) noexcept
{
    Kind = TtkTokenKind::tkString;
    ++p;
    while (IsDigit(*p))
        ++p;
    return p;
}

inline const char* TCssScanner::Single(const char* p, TtkTokenKind kind) noexcept
{
    Kind = kind;
    return p + 1;
}

// Only comments change the line state, so few characters matter on the way to the end: in plain
// text an apostrophe, which starts a string that may hide a "/*", and a slash, which may open a
// comment; inside a comment, the '*' that may close it. No token but a string or a comment holds an
// apostrophe or a slash, so each one found in plain text starts a token, just as the token loop would
// meet it, and the strings are scanned by the token loop's own procedure.
void TCssScanner::SkipToLineEnd(std::uintptr_t pause) noexcept
{
    const char* p = Next;
    for (;;) {
        if (reinterpret_cast<std::uintptr_t>(p) >= pause && *p != 0) {
            Next = p;
            return;
        }
        if (Range == kInComment) {
            p += std::strcspn(p, "*");
            if (*p == 0)
                break;
            if (p[1] == '/') {
                Range = kPlain;
                p += 2;
            } else {
                ++p;
            }
        } else {
            p += std::strcspn(p, "'/");
            if (*p == 0)
                break;
            if (*p == '\'') {
                p = String(p);
            } else if (p[1] == '*') {
                Range = kInComment;
                p += 2;
            } else {
                ++p;
            }
        }
    }
    Next = p;
    Kind = TtkTokenKind::tkNull;
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
    SetDefaultFilter("Cascading Stylesheets (*.css)|*.css");
    range_ = kPlain;
}

TSynCssSyn::~TSynCssSyn()
{
    NotifyDestroying();
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
    return std::string(tokenStart_, static_cast<std::size_t>(next_ - tokenStart_));
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
    next_ = line_;
    lineIndex_ = lineIndex;
    NextToken();
}

void TSynCssSyn::SetLineState(std::intptr_t value) noexcept
{
    range_ = static_cast<std::uint8_t>(value & 0xFF);
}

void TSynCssSyn::NextToken() noexcept
{
    TCssScanner scanner{next_, range_, tokenKind_};
    tokenStart_ = next_;
    scanner.Step();
    next_ = scanner.Next;
    range_ = scanner.Range;
    tokenKind_ = scanner.Kind;
}

std::intptr_t TSynCssSyn::ScanLineFrom(std::string_view text, int lineIndex, std::intptr_t state) noexcept
{
    line_ = text.data() != nullptr ? text.data() : "";
    assert(text.data() == nullptr || line_[text.size()] == 0);
    lineIndex_ = lineIndex;
    // What StartLine's first token and ScanRestOfLine reach together: SkipToLineEnd meets the
    // first token's apostrophe or slash just as the token loop would, and no other token holds one.
    TCssScanner scanner{line_, static_cast<std::uint8_t>(state & 0xFF), TtkTokenKind::tkNull};
    scanner.SkipToLineEnd();
    tokenStart_ = scanner.Next;
    next_ = scanner.Next;
    range_ = scanner.Range;
    tokenKind_ = scanner.Kind;
    return static_cast<std::intptr_t>(range_);
}

bool TSynCssSyn::ScanLinePart(std::string_view text, std::size_t& offset, std::intptr_t& state,
                              std::size_t pauseAt) noexcept
{
    const char* line = text.data() != nullptr ? text.data() : "";
    assert(text.data() == nullptr || line[text.size()] == 0);
    TCssScanner scanner{line + std::min(offset, text.size()), static_cast<std::uint8_t>(state & 0xFF), TtkTokenKind::tkNull};
    scanner.SkipToLineEnd(pauseAt >= text.size() ? UINTPTR_MAX : reinterpret_cast<std::uintptr_t>(line + pauseAt));
    offset = *scanner.Next == 0 ? text.size() : static_cast<std::size_t>(scanner.Next - line);
    state = static_cast<std::intptr_t>(scanner.Range);
    return true;
}

void TSynCssSyn::ScanRestOfLine() noexcept
{
    if (tokenKind_ == TtkTokenKind::tkNull)
        return;
    TCssScanner scanner{next_, range_, tokenKind_};
    scanner.SkipToLineEnd();
    tokenStart_ = scanner.Next;
    next_ = scanner.Next;
    range_ = scanner.Range;
    tokenKind_ = scanner.Kind;
}

}  // namespace pindle
