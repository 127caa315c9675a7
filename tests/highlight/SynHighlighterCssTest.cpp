#include "highlight/SynHighlighterCss.h"
#include "tests/highlight/TokenStreams.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <new>
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

}  // namespace
}  // namespace pindle
