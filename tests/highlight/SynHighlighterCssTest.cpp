#include "highlight/SynHighlighterCss.h"
#include "tests/highlight/TokenStreams.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <new>
#include <random>
#include <sstream>
#include <string>

// Counts heap allocations, so that a test can show that scanning allocates nothing.
namespace {
std::atomic<long> gAllocations{0};
}

// GCC pairs the replaced operators with the malloc inside them and warns about a mismatch that is
// not there: every pointer freed below came from the operator new above.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size)
{
    ++gAllocations;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

#pragma GCC diagnostic pop

namespace pindle {
namespace {

using test::TToken;

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string DataPath(const std::string& name)
{
    return std::string(PINDLE_TEST_DATA) + "/" + name;
}

std::string WithCrLf(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

class CssGolden : public ::testing::TestWithParam<const char*> {};

TEST_P(CssGolden, LineByLineScanMatchesTheExpectedTokens)
{
    const std::string name = GetParam();
    const std::string text = ReadFile(DataPath(name + ".css"));
    ASSERT_FALSE(text.empty());
    TSynCssSyn highlighter;
    const std::vector<TToken> actual = test::ScanLines(highlighter, test::SplitLines(text, false));
    const std::string expectedPath = DataPath(name + ".tokens");
    const std::string expected = ReadFile(expectedPath);
    ASSERT_FALSE(expected.empty()) << "missing " << expectedPath;
    EXPECT_EQ(test::Format(actual), test::Format(test::ParseTokens(expected)));
}

TEST_P(CssGolden, WholeTextAndCrLfGiveTheSameTokensAsLineByLine)
{
    const std::string text = ReadFile(DataPath(std::string(GetParam()) + ".css"));
    TSynCssSyn highlighter;
    const std::vector<TToken> byLine = test::ScanLines(highlighter, test::SplitLines(text, false));
    const std::vector<TToken> byCrLfLine = test::ScanLines(highlighter, test::SplitLines(WithCrLf(text), true));
    EXPECT_EQ(test::Format(byCrLfLine), test::Format(byLine));

    const std::vector<TToken> expected = test::WithoutEndTokens(byLine);
    for (const bool crlf : {false, true}) {
        const test::TWholeScan whole = test::ScanWholeAsLines(highlighter, crlf ? WithCrLf(text) : text, crlf);
        EXPECT_EQ(test::Format(whole.Tokens), test::Format(expected)) << (crlf ? "CR LF" : "LF");
        EXPECT_EQ(std::to_string(whole.EndState), byLine.back().Text);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, CssGolden, ::testing::Values("edgecases", "sample"));

struct TKeywordCase {
    const char* Text;
    int Kind;
};

TEST(CssTokenizer, RecognisesExactlyTheTwentySixKeywordsInAnyCase)
{
    const TKeywordCase cases[] = {
        {"face", 2}, {"em", 2}, {"pt", 2}, {"px", 2}, {"line", 2}, {"left", 2}, {"align", 2},
        {"shape", 2}, {"top", 2}, {"padding", 2}, {"font", 2}, {"height", 2}, {"size", 2},
        {"right", 2}, {"margin", 2}, {"color", 2}, {"width", 2}, {"family", 2}, {"text", 2},
        {"weight", 2}, {"bottom", 2}, {"vertical", 2}, {"background", 2}, {"overflow", 2},
        {"position", 2}, {"horizontal", 2}, {"BACKGROUND", 2}, {"HoRiZoNtAl", 2}, {"Px", 2},
        // Same sums or lengths, different letters; digits and '_' never stand in for letters.
        {"fade", 1}, {"me", 1}, {"tp", 1}, {"xp", 1}, {"lien", 1}, {"pading", 1}, {"colour", 1},
        {"fonts", 1}, {"font1", 1}, {"_x", 1}, {"h1", 1}, {"border", 1}, {"display", 1},
        {"horizontals", 1}, {"a", 1}, {"zzzzzz", 1},
    };
    TSynCssSyn highlighter;
    for (const TKeywordCase& c : cases) {
        highlighter.ResetLineState();
        highlighter.StartLine(c.Text, 0);
        EXPECT_EQ(highlighter.TokenKind(), c.Kind) << c.Text;
        EXPECT_EQ(highlighter.TokenText(), c.Text);
        highlighter.NextToken();
        EXPECT_TRUE(highlighter.AtLineEnd()) << c.Text;
    }
}

TEST(CssTokenizer, GivesEachKindItsAttribute)
{
    struct TCase {
        const char* Line;
        int Kind;
        TSynHighlighterAttributes* (TSynCssSyn::*Attribute)() const noexcept;
    };
    const TCase cases[] = {
        {"/* c */", 0, &TSynCssSyn::CommentAttri}, {"name", 1, &TSynCssSyn::IdentifierAttri},
        {"font", 2, &TSynCssSyn::KeyAttri},        {"12", 4, &TSynCssSyn::NumberAttri},
        {"  ", 5, &TSynCssSyn::SpaceAttri},        {"'s'", 6, &TSynCssSyn::StringAttri},
        {"(", 7, &TSynCssSyn::SymbolAttri},        {";", 8, &TSynCssSyn::IdentifierAttri},
    };
    TSynCssSyn highlighter;
    for (const TCase& c : cases) {
        highlighter.ResetLineState();
        highlighter.StartLine(c.Line, 0);
        EXPECT_EQ(highlighter.TokenKind(), c.Kind) << c.Line;
        EXPECT_EQ(highlighter.TokenAttribute(), (highlighter.*c.Attribute)()) << c.Line;
    }
    highlighter.StartLine("", 0);
    EXPECT_EQ(highlighter.TokenKind(), 3);
    EXPECT_EQ(highlighter.TokenAttribute(), nullptr);
}

TEST(CssTokenizer, TheEndTokenRepeatsAndTheScanStopsAtAZero)
{
    const std::string line("ab c\0de", 7);
    TSynCssSyn highlighter;
    highlighter.ResetLineState();
    highlighter.StartLine(line, 5);
    EXPECT_EQ(highlighter.LineIndex(), 5);
    highlighter.ScanToLineEnd();
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(highlighter.AtLineEnd());
        EXPECT_EQ(highlighter.TokenStart(), 4);
        EXPECT_EQ(highlighter.TokenText(), "");
        highlighter.NextToken();
    }
}

TEST(CssTokenizer, StartLineLeavesTheLineStateAlone)
{
    TSynCssSyn highlighter;
    highlighter.SetLineState(1);
    highlighter.StartLine("plain */ text", 0);
    // The first token was scanned in the comment state, and the state is only changed by scanning.
    EXPECT_EQ(highlighter.TokenKind(), 0);
    EXPECT_EQ(highlighter.TokenText(), "plain */");
    EXPECT_EQ(highlighter.LineState(), 0);

    highlighter.SetLineState(1);
    highlighter.StartLine("", 0);
    EXPECT_EQ(highlighter.LineState(), 1);
}

// The one-call scan of the rescans ends where stepping every token ends, in the same state, from
// either start state and whatever the line's first token is.
TEST(CssTokenizer, ScanLineFromEndsAsTheTokenLoopDoes)
{
    const std::string lines[] = {
        "", " ", "\t  a", "a/*b", "/", "//", "/*", "/**/", "/*/", "*/", "**/ x /*", "'a/*'", "''' /* '", "'",
        "#fff/*", "12.5/*x*/", "{3}/*", "(/*)", "\xE9/*", "a\rb/*", "\r\n/*", "\n*/", std::string("a\0/*", 4),
        std::string("*\0*/", 4), "x */ y /* z", "'/*' /* '*/' */ '",
    };
    for (const std::string& line : lines) {
        for (const std::intptr_t state : {0, 1}) {
            TSynCssSyn stepped;
            stepped.SetLineState(state);
            stepped.StartLine(line, 3);
            while (!stepped.AtLineEnd())
                stepped.NextToken();
            TSynCssSyn direct;
            EXPECT_EQ(direct.ScanLineFrom(line, 3, state), stepped.LineState()) << line << " from " << state;
            EXPECT_EQ(direct.LineState(), stepped.LineState());
            EXPECT_TRUE(direct.AtLineEnd());
            EXPECT_EQ(direct.TokenStart(), stepped.TokenStart()) << line << " from " << state;
            EXPECT_EQ(direct.LineIndex(), 3);
            // In parts, pausing at or after every byte: the same end state, and each pause place
            // is reached in the same state when the line stops just past it.
            for (std::size_t pauseAt = 1; pauseAt <= line.size(); ++pauseAt) {
                std::size_t offset = 0;
                std::intptr_t partState = state;
                ASSERT_TRUE(direct.ScanLinePart(line, offset, partState, pauseAt));
                if (offset < line.size()) {
                    ASSERT_GE(offset, pauseAt);
                    const std::string prefix = line.substr(0, offset + 1);
                    std::size_t prefixOffset = 0;
                    std::intptr_t prefixState = state;
                    direct.ScanLinePart(prefix, prefixOffset, prefixState, pauseAt);
                    EXPECT_EQ(std::pair(prefixOffset, prefixState), std::pair(offset, partState)) << line << " at " << pauseAt;
                    direct.ScanLinePart(line, offset, partState, line.size());
                }
                EXPECT_EQ(offset, line.size());
                EXPECT_EQ(partState, stepped.LineState()) << line << " paused at " << pauseAt;
            }
        }
    }
}

TEST(CssTokenizer, ScanningAllocatesNothing)
{
    std::string line;
    for (int i = 0; i < 200; ++i)
        line += "font-family: 'Arial', sans; /* note */ #fff 12.5px {3} (x) \t\xE9 ";
    TSynCssSyn highlighter;
    const long before = gAllocations.load();
    highlighter.ResetLineState();
    highlighter.StartLine(line, 0);
    highlighter.ScanToLineEnd();
    int tokens = 0;
    highlighter.StartLine(line, 0);
    while (!highlighter.AtLineEnd()) {
        (void)highlighter.TokenStart();
        (void)highlighter.TokenKind();
        (void)highlighter.TokenAttribute();
        highlighter.NextToken();
        ++tokens;
    }
    EXPECT_EQ(gAllocations.load() - before, 0);
    EXPECT_GT(tokens, 1000);
}

// What a caller can see of the scanner once a line has been scanned to its end, and after one more
// NextToken.
struct TLineEnd {
    std::intptr_t State = 0;
    int Start = 0;
    int Kind = 0;
    bool AtEnd = false;
    std::string Text;
    TSynHighlighterAttributes* Attribute = nullptr;
    int LineIndex = 0;

    friend bool operator==(const TLineEnd&, const TLineEnd&) = default;
};

std::ostream& operator<<(std::ostream& out, const TLineEnd& end)
{
    return out << "state " << end.State << ", start " << end.Start << ", kind " << end.Kind << ", at end "
               << end.AtEnd << ", text " << test::Escape(end.Text) << ", line " << end.LineIndex;
}

TLineEnd Observe(const TSynCssSyn& highlighter)
{
    return {highlighter.LineState(), highlighter.TokenStart(), highlighter.TokenKind(), highlighter.AtLineEnd(),
            highlighter.TokenText(), highlighter.TokenAttribute(), highlighter.LineIndex()};
}

// Scans the line from the given state, first stepping over `before` tokens, then to its end either
// token by token or with ScanToLineEnd; returns what is seen there and after one more NextToken.
std::pair<TLineEnd, TLineEnd> ScanToEnd(TSynCssSyn& highlighter, const std::string& line, std::intptr_t state,
                                        int before, bool stepping)
{
    highlighter.SetLineState(state);
    highlighter.StartLine(line, 7);
    for (int i = 0; i < before && !highlighter.AtLineEnd(); ++i)
        highlighter.NextToken();
    if (stepping) {
        while (!highlighter.AtLineEnd())
            highlighter.NextToken();
    } else {
        highlighter.ScanToLineEnd();
    }
    const TLineEnd atEnd = Observe(highlighter);
    highlighter.NextToken();
    return {atEnd, Observe(highlighter)};
}

void ExpectScanToLineEndMatchesStepping(TSynCssSyn& highlighter, const std::string& line, std::intptr_t state, int before)
{
    const auto stepped = ScanToEnd(highlighter, line, state, before, true);
    const auto jumped = ScanToEnd(highlighter, line, state, before, false);
    EXPECT_EQ(jumped.first, stepped.first) << test::Escape(line) << " from state " << state << " after " << before;
    EXPECT_EQ(jumped.second, stepped.second) << test::Escape(line) << " from state " << state << " after " << before;
}

TEST(CssScanToLineEnd, FindsTheStateTheTokensWouldLeave)
{
    struct TCase {
        std::string Line;
        std::intptr_t State;
        std::intptr_t EndState;
    };
    const TCase cases[] = {
        {"a { color: red }", 0, 0},
        {"a /* open", 0, 1},
        {"/**/", 0, 0},
        {"/*/", 0, 1},
        {"/*", 0, 1},
        {"*/ x", 0, 0},
        {"still */ b", 1, 0},
        {"still * / b", 1, 1},
        {"", 1, 1},
        {"**/", 1, 0},
        {"/* a **/ b", 0, 0},
        {"/* a * / b", 0, 1},
        // A line break inside a comment ends a token there, not the comment.
        {"a\r **/ b", 1, 0},
        {"a\n * / b", 1, 1},
        {"/* a */ /* b", 0, 1},
        {"/* a */ b /* c */", 0, 0},
        // A string hides what looks like a comment, up to its closing apostrophe or a line break.
        {"content: 'a /* b' c", 0, 0},
        {"'''/*'", 0, 0},
        {"''/*", 0, 1},
        {"'it''s' /* x", 0, 1},
        {"'open /* never closed", 0, 0},
        {"'a\r/* b", 0, 1},
        {"'a\n/* b", 0, 1},
        {"'", 0, 0},
        {"x/'/*'/*", 0, 1},
        // Inside a comment an apostrophe starts no string; after the comment one does again.
        {"it's */ x", 1, 0},
        {"' */ '/* x", 1, 0},
        // A state that is neither 0 nor 1 is kept until a comment opens.
        {"a b c", 5, 5},
        {"a /* b */ c", 5, 0},
        {"a /* b", 0x105, 1},
        // The scan stops at the first zero.
        {std::string("a \0/* b", 7), 0, 0},
        {std::string("/* a \0*/", 8), 0, 1},
    };
    TSynCssSyn highlighter;
    for (const TCase& c : cases) {
        // StartLine scans the first token itself; a plain word in front hands the construct to
        // ScanToLineEnd.
        for (const std::string& line : {c.Line, c.State == 1 ? c.Line : "a " + c.Line}) {
            highlighter.SetLineState(c.State);
            highlighter.StartLine(line, 0);
            highlighter.ScanToLineEnd();
            EXPECT_EQ(highlighter.LineState(), c.EndState) << test::Escape(line);
            EXPECT_TRUE(highlighter.AtLineEnd()) << test::Escape(line);
            for (int before = 0; before < 4; ++before)
                ExpectScanToLineEndMatchesStepping(highlighter, line, c.State, before);
        }
    }
}

TEST(CssScanToLineEnd, MatchesSteppingOnTheGoldenFilesWithCarriedStates)
{
    TSynCssSyn highlighter;
    for (const char* name : {"edgecases.css", "sample.css"}) {
        const std::string text = ReadFile(DataPath(name));
        ASSERT_FALSE(text.empty()) << name;
        for (const bool crlf : {false, true}) {
            std::intptr_t state = 0;
            for (const std::string& line : test::SplitLines(crlf ? WithCrLf(text) : text, false)) {
                for (int before = 0; before < 3; ++before)
                    ExpectScanToLineEndMatchesStepping(highlighter, line, state, before);
                highlighter.SetLineState(state);
                highlighter.StartLine(line, 0);
                highlighter.ScanToLineEnd();
                state = highlighter.LineState();
            }
        }
    }
}

// Lines of CSS pieces chosen to meet at every boundary that matters to the end state, and lines of
// arbitrary bytes, each from a random start state and after a random number of tokens.
TEST(CssScanToLineEnd, MatchesSteppingOnRandomLines)
{
    const char* const pieces[] = {
        "/*", "*/", "/", "*", "/**/", "/*/", "'", "''", "'''", "'a'", "'/*'", "'*/'", "\r", "\n", "\r\n",
        " ", "\t", "font", "x1", "12.5", "1..2", "#fff", "{3}", "(", ")", ":", ";", "-", "\"", "\xE9", "e",
    };
    std::mt19937 random(20261209);
    TSynCssSyn highlighter;
    for (int n = 0; n < 20000; ++n) {
        std::string line;
        const auto length = static_cast<int>(random() % 24);
        const bool bytes = n % 4 == 3;
        for (int i = 0; i < length; ++i) {
            if (bytes)
                line += static_cast<char>(random() % 256);
            else
                line += pieces[random() % std::size(pieces)];
        }
        const std::intptr_t states[] = {0, 1, static_cast<std::intptr_t>(random() % 256)};
        ExpectScanToLineEndMatchesStepping(highlighter, line, states[random() % 3], static_cast<int>(random() % 4));
        if (HasFailure())
            return;
    }
}

}  // namespace
}  // namespace pindle
