// Characters as the editor shows them: caret steps against Unicode's own grapheme break test data,
// a table of editing cases in UTF-8, Windows-1252 staying one byte one cell, and the two faults at
// the caret limit.
#include "editor/SynEditChars.h"
#include "editor/SynEditCore.h"
#include "editor/SynEditTextUtils.h"
#include "highlight/SynHighlighterCss.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace pindle {
namespace {

class TTestClipboard : public ISynClipboard {
public:
    void SetText(std::string text) override { Content = std::move(text); }
    std::string Text() override { return Content; }
    std::string Content;
};

// One line of GraphemeBreakTest.txt: the text and the byte offsets of its inner breaks.
struct TBreakCase {
    std::string Text;
    std::vector<int> Breaks;  // 0 and the end included
    bool HasLineBreak = false;
    int LineNumber = 0;
};

std::vector<TBreakCase> ReadBreakTests()
{
    std::ifstream file("/usr/share/unicode/auxiliary/GraphemeBreakTest.txt");
    std::vector<TBreakCase> cases;
    std::string line;
    int number = 0;
    while (std::getline(file, line)) {
        ++number;
        line = line.substr(0, line.find('#'));
        std::istringstream fields(line);
        std::string field;
        TBreakCase c;
        c.LineNumber = number;
        while (fields >> field) {
            if (field == "\xC3\xB7") {  // ÷
                c.Breaks.push_back(static_cast<int>(c.Text.size()));
            } else if (field != "\xC3\x97") {  // not ×: a code point
                const auto code = static_cast<char32_t>(std::stoul(field, nullptr, 16));
                c.HasLineBreak = c.HasLineBreak || code == 0x0A || code == 0x0D;
                AppendUtf8(c.Text, code);
            }
        }
        if (!c.Text.empty())
            cases.push_back(std::move(c));
    }
    return cases;
}

TEST(EditorChars, CaretStepsFollowEveryLineOfUnicodesGraphemeBreakTest)
{
    const std::vector<TBreakCase> cases = ReadBreakTests();
    ASSERT_GT(cases.size(), 500U) << "GraphemeBreakTest.txt (Debian's unicode-data) is missing";
    TSynEditCore core;
    core.SetOptions(core.Options() & ~eoScrollPastEol);
    int stepped = 0;
    for (const TBreakCase& c : cases) {
        const int size = static_cast<int>(c.Text.size());
        std::vector<int> forward{0};
        for (int pos = 0; pos < size;)
            forward.push_back(pos = NextCharBoundary(c.Text, pos, TTextEncoding::Utf8));
        EXPECT_EQ(forward, c.Breaks) << "line " << c.LineNumber;
        std::vector<int> backward{size};
        for (int pos = size; pos > 0;)
            backward.insert(backward.begin(), pos = PrevCharBoundary(c.Text, pos, TTextEncoding::Utf8));
        EXPECT_EQ(backward, c.Breaks) << "line " << c.LineNumber;
        for (int pos = 0; pos < size; ++pos) {
            const int start = *(std::upper_bound(c.Breaks.begin(), c.Breaks.end(), pos) - 1);
            ASSERT_EQ(CharStartAt(c.Text, pos, TTextEncoding::Utf8), start) << "line " << c.LineNumber << " byte " << pos;
        }
        if (c.HasLineBreak)
            continue;  // a line of the editor holds no line break
        // The same steps with the caret keys on a line of the editor.
        core.Lines().Clear();
        core.Lines().Add(c.Text);
        core.SetCaretXY({1, 1});
        std::vector<int> right{0};
        for (int i = 0; i < size; ++i) {
            core.ExecuteCommand(ecRight);
            right.push_back(core.CaretXY().Char - 1);
        }
        right.erase(std::unique(right.begin(), right.end()), right.end());
        EXPECT_EQ(right, c.Breaks) << "line " << c.LineNumber;
        std::vector<int> left{size};
        for (int i = 0; i < size; ++i) {
            core.ExecuteCommand(ecLeft);
            left.insert(left.begin(), core.CaretXY().Char - 1);
        }
        left.erase(std::unique(left.begin(), left.end()), left.end());
        EXPECT_EQ(left, c.Breaks) << "line " << c.LineNumber;
        ++stepped;
    }
    EXPECT_GT(stepped, 400);
}

// U+00E9 é, e + U+0301, 日本, 👩‍💻 (woman, ZWJ, laptop), 🇯🇵 and 🇫🇷.
#define E_ACUTE "\xC3\xA9"
#define E_COMBINING "e\xCC\x81"
#define NI "\xE6\x97\xA5"
#define HON "\xE6\x9C\xAC"
#define TECHIE "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB"
#define JP "\xF0\x9F\x87\xAF\xF0\x9F\x87\xB5"
#define FR "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7"

struct TEditCase {
    const char* Name;
    std::vector<std::string> Lines;
    TBufferCoord Caret;
    std::vector<TSynEditorCommand> Commands;
    std::string Typed;  // for ecChar
    std::vector<std::string> Expected;
    TBufferCoord ExpectedCaret;
    std::string ExpectedSelection;
    bool Overwrite = false;
    TSynSelectionMode Mode = TSynSelectionMode::smNormal;
};

TEST(EditorChars, EditingCommandsTakeWholeCharactersInUtf8)
{
    const std::string line1 = "a" E_ACUTE "b" E_COMBINING "c" NI HON "d";
    const std::vector<TEditCase> cases = {
        {"right over é and e+U+0301", {line1}, {2, 1}, {ecRight, ecRight, ecRight}, "", {line1}, {8, 1}, ""},
        {"left over 日本", {line1}, {15, 1}, {ecLeft, ecLeft}, "", {line1}, {9, 1}, ""},
        {"delete e+U+0301 whole", {line1}, {5, 1}, {ecDeleteChar}, "", {"a" E_ACUTE "bc" NI HON "d"}, {5, 1}, ""},
        {"backspace after 日", {line1}, {12, 1}, {ecDeleteLastChar}, "", {"a" E_ACUTE "b" E_COMBINING "c" HON "d"}, {9, 1}, ""},
        {"backspace after é", {line1}, {4, 1}, {ecDeleteLastChar}, "", {"ab" E_COMBINING "c" NI HON "d"}, {2, 1}, ""},
        {"emoji ZWJ sequence is one step", {TECHIE "x"}, {1, 1}, {ecRight}, "", {TECHIE "x"}, {12, 1}, ""},
        {"backspace removes the emoji sequence", {TECHIE "x"}, {12, 1}, {ecDeleteLastChar}, "", {"x"}, {1, 1}, ""},
        {"flags step one at a time", {JP FR}, {1, 1}, {ecRight, ecRight}, "", {JP FR}, {17, 1}, ""},
        {"delete one flag", {JP FR}, {9, 1}, {ecDeleteChar}, "", {JP}, {9, 1}, ""},
        {"down keeps the column of a wide character", {NI HON "x", "abcdef"}, {7, 1}, {ecDown}, "", {NI HON "x", "abcdef"}, {5, 2}, ""},
        {"up into the middle of a wide character", {NI HON "x", "abcdef"}, {4, 2}, {ecUp}, "", {NI HON "x", "abcdef"}, {4, 1}, ""},
        {"end then select left", {"x" NI}, {1, 1}, {ecLineEnd, ecSelLeft}, "", {"x" NI}, {2, 1}, NI},
        {"word right over letters of any script", {"gr" E_ACUTE "n " NI HON ".x"}, {1, 1}, {ecWordRight}, "", {"gr" E_ACUTE "n " NI HON ".x"}, {7, 1}, ""},
        {"word left to a CJK word", {"gr" E_ACUTE "n " NI HON ".x"}, {13, 1}, {ecWordLeft}, "", {"gr" E_ACUTE "n " NI HON ".x"}, {7, 1}, ""},
        {"typing é inserts two bytes", {"ab"}, {2, 1}, {ecChar}, E_ACUTE, {"a" E_ACUTE "b"}, {4, 1}, ""},
        {"overwrite replaces a whole wide character", {NI HON}, {1, 1}, {ecChar}, "a", {"a" HON}, {2, 1}, "", true},
        {"overwrite replaces e+U+0301 with 日", {E_COMBINING "x"}, {1, 1}, {ecChar}, NI, {NI "x"}, {4, 1}, "", true},
        {"column selection over wide and narrow characters", {NI HON "x", "abcde"}, {1, 1}, {ecSelDown, ecSelRight, ecSelRight}, "",
         {NI HON "x", "abcde"}, {3, 2}, NI "\nab", false, TSynSelectionMode::smColumn},
        {"column selection deleted", {NI HON "x", "abcde"}, {4, 1}, {ecSelDown, ecSelRight, ecSelRight, ecDeleteChar}, "",
         {NI "x", "abe"}, {4, 1}, "", false, TSynSelectionMode::smColumn},
    };
    for (const TEditCase& c : cases) {
        TSynCssSyn css;
        TSynEditCore core;
        core.SetHighlighter(&css);
        core.SetWindowSize(10, 40);
        for (const std::string& line : c.Lines)
            core.Lines().Add(line);
        core.SetInsertMode(!c.Overwrite);
        core.SetCaretXY(c.Caret);
        core.SetSelectionMode(c.Mode);
        for (const TSynEditorCommand command : c.Commands)
            core.ExecuteCommand(command, c.Typed);
        std::vector<std::string> text;
        for (int i = 1; i <= core.LineCount(); ++i)
            text.emplace_back(core.LineText(i));
        EXPECT_EQ(text, c.Expected) << c.Name;
        EXPECT_EQ(core.CaretXY(), c.ExpectedCaret) << c.Name << ": caret at " << core.CaretXY().Char;
        EXPECT_EQ(core.SelText(), c.ExpectedSelection) << c.Name;
    }
}

TEST(EditorChars, WideCharactersTakeTwoColumnsAndMarksNone)
{
    TSynEditCore core;
    core.Lines().Add("\t" NI E_COMBINING "x");
    core.SetTabWidth(4);
    // tab: columns 1-4, 日: 5-6, e+U+0301: 7, x: 8, then virtual space.
    const std::vector<std::pair<int, int>> charToColumn = {{1, 1}, {2, 5}, {5, 7}, {8, 8}, {9, 9}, {11, 11}};
    for (const auto& [ch, column] : charToColumn)
        EXPECT_EQ(core.CharToColumn(1, ch), column) << ch;
    const std::vector<std::pair<int, int>> columnToChar = {{3, 1}, {5, 2}, {6, 2}, {7, 5}, {8, 8}, {10, 10}};
    for (const auto& [column, ch] : columnToChar)
        EXPECT_EQ(core.ColumnToChar(1, column), ch) << column;
}

TEST(EditorChars, Windows1252KeepsOneByteOneCell)
{
    TSynEditCore core;
    core.SetEncoding(TTextEncoding::Windows1252);
    const std::string line = "caf\xE9 \x80\x93x";  // café €–x
    core.Lines().Add(line);
    core.SetCaretXY({1, 1});
    for (int ch = 2; ch <= 9; ++ch) {
        core.ExecuteCommand(ecRight);
        EXPECT_EQ(core.CaretXY().Char, ch);
        EXPECT_EQ(core.CharToColumn(1, ch), ch);
    }
    core.ExecuteCommand(ecDeleteLastChar);
    core.ExecuteCommand(ecWordLeft);  // bytes 128-255 are word characters, as they always were
    EXPECT_EQ(core.LineText(1), "caf\xE9 \x80\x93");
    EXPECT_EQ(core.CaretXY().Char, 6);
}

// Long lines keep column checkpoints; after any edit or undo the columns must equal a walk from the
// line's start.
TEST(EditorChars, ColumnsOfALongLineStayRightThroughEditsAndUndo)
{
    TSynEditCore core;
    core.SetMaxLeftChar(32767);
    std::string line;
    while (line.size() < 12000)
        line += "ab\t" NI E_COMBINING "c" JP;
    core.Lines().Add(line);
    std::uint32_t seed = 7;
    const auto random = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(n));
    };
    const char* const inserts[] = {NI, "\t", "x", E_COMBINING, "\xCC\x81"};
    for (int step = 0; step < 300; ++step) {
        const std::string_view text = core.LineText(1);
        const int size = static_cast<int>(text.size());
        // Probe a few positions, far ones too, in both directions.
        for (int probe = 0; probe < 4; ++probe) {
            const int ch = 1 + random(size + 1);
            ASSERT_EQ(core.CharToColumn(1, ch), ExpandedColumn(text, ch, core.TabWidth(), TTextEncoding::Utf8)) << step;
            const int column = 1 + random(size);
            ASSERT_EQ(core.ColumnToChar(1, column), CharAtColumn(text, column, core.TabWidth(), TTextEncoding::Utf8)) << step;
        }
        const int at = core.ColumnToChar(1, 1 + random(8000));
        switch (random(4)) {
        case 0:
            core.SetSelection({at, 1}, {at, 1});
            core.SetSelText(inserts[random(5)]);
            break;
        case 1:
            core.SetSelection({at, 1}, {core.NextChar(1, at), 1});
            core.SetSelText("");
            break;
        case 2:
            core.Undo();
            break;
        default:
            core.SetTabWidth(2 + random(7));
            break;
        }
    }
}

// A line longer than the caret limit: the selection may start beyond it, the caret may not.
class CaretLimit : public ::testing::Test {
protected:
    void SetUp() override { core.SetClipboard(&clipboard); }
    TSynEditCore core;
    TTestClipboard clipboard;
};

TEST_F(CaretLimit, PasteAndEnterOverASelectionBeyondTheLimitGoWhereTheSelectionWas)
{
    // Also after a block indent (Shift+Ctrl+I) has moved the selection two further right.
    for (const bool indent : {false, true}) {
        const std::string as(1030, 'A');
        core.Lines().Clear();
        core.Lines().Add(as + "Z");
        core.Lines().Add("b");
        core.SetCaretXY({1, 2});
        core.ExecuteCommand(ecSelUp);
        core.ExecuteCommand(ecSelLineEnd);
        if (indent)
            core.ExecuteCommand(ecBlockIndent);
        ASSERT_EQ(core.SelText(), "\n");
        clipboard.Content = "X";
        core.ExecuteCommand(ecPaste);
        EXPECT_EQ(core.LineText(1), (indent ? "  " : "") + as + "ZXb");
        EXPECT_EQ(core.LineCount(), 1);
        EXPECT_EQ(core.CaretXY().Char, 1024);  // only the caret is held at the limit

        // Enter over the same selection breaks the line there.
        core.ExecuteCommand(ecUndo);
        ASSERT_EQ(core.SelText(), "\n");
        core.ExecuteCommand(ecLineBreak);
        EXPECT_EQ(core.LineText(1), (indent ? "  " : "") + as + "Z");
        EXPECT_EQ(core.LineText(2), (indent ? "  " : "") + std::string("b"));  // with the line's indent
        EXPECT_EQ(core.CaretXY(), (TBufferCoord{indent ? 3 : 1, 2}));
    }
}

TEST_F(CaretLimit, DroppingBeyondTheLimitSelectsTheDroppedText)
{
    core.Lines().Add("xy");
    core.Lines().Add(std::string(1100, 'A'));
    core.SetSelection({1, 1}, {3, 1});
    core.DropSelection({1050, 2}, true);
    EXPECT_EQ(core.LineText(2).substr(1049, 2), "xy");
    EXPECT_EQ(core.SelText(), "xy");
    core.ExecuteCommand(ecCut);
    EXPECT_EQ(core.LineText(2), std::string(1100, 'A'));
}

TEST_F(CaretLimit, TheLimitIsADisplayColumn)
{
    // 600 wide characters take 1200 columns: the caret stops on the one that ends at column 1024.
    std::string wide;
    for (int i = 0; i < 600; ++i)
        wide += NI;
    core.Lines().Add(wide);
    core.SetCaretXY({1, 1});
    core.ExecuteCommand(ecLineEnd);
    EXPECT_EQ(core.CaretXY().Char, 511 * 3 + 1);
    EXPECT_EQ(core.CharToColumn(1, core.CaretXY().Char), 1023);
    core.ExecuteCommand(ecChar, NI);  // would end beyond column 1024
    EXPECT_EQ(core.LineText(1), wide);
    core.ExecuteCommand(ecChar, "a");
    EXPECT_EQ(core.LineText(1).size(), wide.size() + 1);
}

}  // namespace
}  // namespace pindle
