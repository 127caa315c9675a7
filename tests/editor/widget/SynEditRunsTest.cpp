#include "editor/widget/SynEditPainter.h"
#include "editor/widget/SynEditRuns.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pindle {
namespace {

struct TDrawnRun {
    int Start;
    std::string Text;
    TSynRunLook Look;
};

class TRecordingSink final : public ISynRunSink {
public:
    void DrawRun(int startColumn, std::string_view text, const TSynRunLook& look) override
    {
        Runs.push_back({startColumn, std::string(text), look});
    }
    std::vector<TDrawnRun> Runs;
};

constexpr TColor kLineBackground = 0xFFFFFF;
constexpr TColor kFontColour = 0x000000;
constexpr TColor kRed = 0x0000FF;

struct TToken {
    const char* Text;
    TSynRunLook Look;
};

struct TJoinCase {
    const char* Name;
    std::vector<TToken> Tokens;
    bool WholeLineSelected;
    std::vector<std::string> ExpectedRuns;
};

class RunBuilder : public ::testing::TestWithParam<TJoinCase> {};

TEST_P(RunBuilder, JoinsTokensThatLookTheSame)
{
    const TJoinCase& c = GetParam();
    TRecordingSink sink;
    TSynRunBuilder runs(sink, 80);
    runs.BeginLine(kLineBackground, kFontColour, c.WholeLineSelected);
    int column = 0;
    for (const TToken& token : c.Tokens) {
        runs.AddToken(column, token.Text, token.Look);
        column += static_cast<int>(std::string_view(token.Text).size());
    }
    runs.Flush();
    std::vector<std::string> texts;
    for (const TDrawnRun& run : sink.Runs)
        texts.push_back(run.Text);
    EXPECT_EQ(texts, c.ExpectedRuns) << c.Name;
}

const TSynRunLook kPlain{clNone, clNone, 0};
const TSynRunLook kBold{clNone, clNone, fsBold};
const TSynRunLook kItalic{clNone, clNone, fsItalic};
const TSynRunLook kUnderlined{clNone, clNone, fsUnderline};
const TSynRunLook kRedText{kRed, clNone, 0};
const TSynRunLook kRedBack{clNone, kRed, 0};

INSTANTIATE_TEST_SUITE_P(
    Rules, RunBuilder,
    ::testing::Values(
        TJoinCase{"same look joins", {{"a", kPlain}, {":", kPlain}, {"b", kPlain}}, false, {"a:b"}},
        TJoinCase{"clNone equals the defaults it stands for",
                  {{"a", kPlain}, {"b", {kFontColour, kLineBackground, 0}}}, false, {"ab"}},
        TJoinCase{"another style starts a run", {{"color", kBold}, {":", kPlain}}, false, {"color", ":"}},
        TJoinCase{"blanks join across styles", {{"color", kBold}, {"  ", kPlain}, {"x", kPlain}}, false, {"color  ", "x"}},
        TJoinCase{"blanks do not join an underlined run", {{"u", kUnderlined}, {" ", kPlain}}, false, {"u", " "}},
        TJoinCase{"underlined blanks do not join", {{"a", kPlain}, {" ", kUnderlined}}, false, {"a", " "}},
        TJoinCase{"another colour starts a run", {{"a", kPlain}, {"b", kRedText}}, false, {"a", "b"}},
        TJoinCase{"blanks join across text colours", {{"a", kRedText}, {" ", kPlain}}, false, {"a "}},
        TJoinCase{"blanks keep apart on another background", {{"a", kPlain}, {" ", kRedBack}}, false, {"a", " "}},
        TJoinCase{"a whole selected line ignores colours", {{"a", kPlain}, {"b", kRedText}, {"c", kRedBack}}, true, {"abc"}},
        TJoinCase{"a whole selected line still keeps styles apart", {{"a", kPlain}, {"b", kItalic}}, true, {"a", "b"}}),
    [](const ::testing::TestParamInfo<TJoinCase>& info) { return "Case" + std::to_string(info.index); });

TEST(RunBuilder, ReportsStartColumnAndResolvedColours)
{
    TRecordingSink sink;
    TSynRunBuilder runs(sink, 80);
    runs.BeginLine(kLineBackground, kFontColour, false);
    runs.AddToken(4, "red", kRedText);
    runs.AddToken(7, "/* c */", kItalic);
    runs.Flush();
    ASSERT_EQ(sink.Runs.size(), 2u);
    EXPECT_EQ(sink.Runs[0].Start, 4);
    EXPECT_EQ(sink.Runs[0].Look.Foreground, kRed);
    EXPECT_EQ(sink.Runs[0].Look.Background, kLineBackground);
    EXPECT_EQ(sink.Runs[1].Start, 7);
    EXPECT_EQ(sink.Runs[1].Look.Foreground, kFontColour);
    EXPECT_EQ(sink.Runs[1].Look.Style, fsItalic);
}

TEST(RunBuilder, GrowsItsBufferForLongRunsAndKeepsEveryCharacter)
{
    TRecordingSink sink;
    TSynRunBuilder runs(sink, 40);
    EXPECT_GE(runs.Capacity(), 128u);
    runs.BeginLine(kLineBackground, kFontColour, false);
    const std::string longToken(300, 'x');
    runs.AddToken(0, longToken, kPlain);
    runs.AddToken(300, longToken, kPlain);
    runs.Flush();
    ASSERT_EQ(sink.Runs.size(), 1u);
    EXPECT_EQ(sink.Runs[0].Text, longToken + longToken);
}

TEST(ExpandTabs, ReachesTheNextTabStop)
{
    const struct {
        const char* In;
        const char* Out;
    } cases[] = {{"", ""}, {"abc", "abc"}, {"\tx", "        x"}, {"ab\tc", "ab      c"},
                 {"12345678\t9", "12345678        9"}, {"a\t\tb", "a               b"}};
    std::string out;
    for (const auto& c : cases) {
        ExpandTabs(c.In, 8, out);
        EXPECT_EQ(out, c.Out) << '"' << c.In << '"';
    }
}

}  // namespace
}  // namespace pindle
