#include "editor/SynEditLineStates.h"
#include "highlight/SynHighlighterCss.h"
#include "tests/support/CountingHighlighter.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace pindle {
namespace {

using TStates = std::vector<std::intptr_t>;

TStates StoredStates(const TSynEditList& list)
{
    TStates states;
    for (int i = 0; i < list.Count(); ++i)
        states.push_back(list.GetObject(i));
    return states;
}

// What every line's start state must be, worked out from scratch with a highlighter of its own.
TStates RescannedStates(const TSynEditList& list)
{
    TSynCssSyn fresh;
    TStates states;
    fresh.ResetLineState();
    for (int i = 0; i < list.Count(); ++i) {
        states.push_back(fresh.LineState());
        fresh.StartLine(list.Get(i), i);
        fresh.ScanToLineEnd();
    }
    return states;
}

// An editor without a window: the list, its states and a record of everything it asked the widget.
struct TEditorFixture {
    TSynEditList Lines;
    TSynEditLineStates States{Lines};
    std::vector<TRepaintRect> Repaints;
    int Measures = 0;
    int RepaintAlls = 0;

    TEditorFixture()
    {
        States.OnRepaint = [this](const TRepaintRect& rect) { Repaints.push_back(rect); };
        States.OnMeasureCharCell = [this] { ++Measures; };
        States.OnRepaintAll = [this] { ++RepaintAlls; };
        States.SetView(1, 20, true);
    }
    void Load(std::initializer_list<const char*> lines)
    {
        for (const char* line : lines)
            Lines.Add(line);
        Repaints.clear();
    }
};

TRepaintRect TextRows(int first, int last)
{
    return TRepaintRect{.TextArea = true, .FirstLine = first, .LastLine = last};
}

TRepaintRect FullRows(int first, int last)
{
    return TRepaintRect{.Gutter = true, .TextArea = true, .FirstLine = first, .LastLine = last};
}

class LineStates : public ::testing::Test {
protected:
    TSynCssSyn Css;
    TEditorFixture Editor;
};

TEST_F(LineStates, AppendingAComment_StoresTheCommentStateForTheNextLine)
{
    Editor.States.SetHighlighter(&Css);
    Editor.Lines.Add("/* a");
    Editor.Lines.Add("b");
    EXPECT_EQ(StoredStates(Editor.Lines), (TStates{0, 1}));
    EXPECT_EQ(Editor.Repaints, (std::vector<TRepaintRect>{FullRows(1, 1), FullRows(2, 2)}));
}

TEST_F(LineStates, ReplacingTheFirstLine_RescansUntilAStateHoldsAndRepaintsThoseLines)
{
    Editor.States.SetHighlighter(&Css);
    Editor.Load({"/* a", "b", "c */", "d"});
    ASSERT_EQ(StoredStates(Editor.Lines), (TStates{0, 1, 1, 0}));
    Editor.Lines.Put(0, "a");
    EXPECT_EQ(StoredStates(Editor.Lines), (TStates{0, 0, 0, 0}));
    EXPECT_EQ(Editor.Repaints, std::vector<TRepaintRect>{TextRows(1, 3)});
}

TEST_F(LineStates, ReplacingTheLastLine_RescansNothingAndRepaintsThatLine)
{
    Editor.States.SetHighlighter(&Css);
    Editor.Load({"a", "b", "c"});
    Editor.Lines.Put(2, "/* open");
    EXPECT_EQ(StoredStates(Editor.Lines), (TStates{0, 0, 0}));
    EXPECT_EQ(Editor.Repaints, std::vector<TRepaintRect>{TextRows(3, 3)});
}

TEST_F(LineStates, DeletingLineZero_RecomputesFromTheStartState)
{
    Editor.States.SetHighlighter(&Css);
    Editor.Load({"/* a", "b", "c */", "d"});
    Editor.Lines.Delete(0);
    EXPECT_EQ(StoredStates(Editor.Lines), (TStates{0, 0, 0}));
    // From the deleted line down to the bottom of the window, text and gutter.
    EXPECT_EQ(Editor.Repaints, std::vector<TRepaintRect>{FullRows(1, 21)});
}

TEST_F(LineStates, InsertingALineThatOpensAComment_ColoursTheLinesBelowAtOnce)
{
    Editor.States.SetHighlighter(&Css);
    Editor.Load({"a", "b", "c", "d */", "e"});
    // The line above ends in state 0, the same as the inserted line's placeholder value.
    Editor.Lines.Insert(1, "/* x");
    EXPECT_EQ(StoredStates(Editor.Lines), (TStates{0, 0, 1, 1, 1, 0}));
    EXPECT_EQ(StoredStates(Editor.Lines), RescannedStates(Editor.Lines));
    EXPECT_EQ(Editor.Repaints, std::vector<TRepaintRect>{FullRows(2, 21)});

    // Closing it again by an insertion at the top works the same way.
    Editor.Lines.Insert(0, "/*");
    Editor.Lines.Insert(1, "*/");
    EXPECT_EQ(StoredStates(Editor.Lines), RescannedStates(Editor.Lines));
}

TEST_F(LineStates, WhileDetached_EditsLeaveTheValuesAndAttachingRecomputesThem)
{
    Editor.States.SetHighlighter(&Css);
    Editor.Load({"/* a", "b", "c"});
    Editor.States.SetHighlighter(nullptr);
    Editor.Lines.Put(0, "a");
    Editor.Lines.Add("/* d");
    Editor.Lines.Insert(0, "x");
    EXPECT_EQ(StoredStates(Editor.Lines), (TStates{0, 0, 1, 1, 0}));
    Editor.States.SetHighlighter(&Css);
    EXPECT_EQ(StoredStates(Editor.Lines), (TStates{0, 0, 0, 0, 0}));
}

// A long list is scanned in two halves at once, the second from the list's start state; wherever a
// comment left open in the first half carries into the second, the states still come out as a scan
// from the top gives them.
TEST(LineStatesLongList, ScanningInTwoHalvesGivesTheStatesOfAScanFromTheTop)
{
    constexpr int count = 70001;  // the second half begins at line 35000
    const struct {
        const char* Name;
        std::vector<std::pair<int, const char*>> Lines;  // (index, text); the others are "a { b: c; }"
    } cases[] = {
        {"no comments", {}},
        {"a comment across the middle", {{100, "a { /* b"}, {40000, "*/ c {"}}},
        {"a comment opened on the line before the middle, never closed", {{34999, "/*"}}},
        {"a comment opened on the middle line", {{35000, "x /* y"}, {35002, "*/"}}},
        {"a comment only in the second half", {{50000, "/* a"}, {60000, "b */"}}},
        {"a comment closed on the middle line", {{20000, "/*"}, {35000, "*/ d"}}},
        {"a comment that opens on the last line", {{count - 1, "/*"}}},
        {"a string hiding an opener on the line before the middle", {{34999, "a { b: '/*'; }"}}},
    };
    for (const auto& c : cases) {
        TSynCssSyn css;
        TEditorFixture editor;
        std::vector<std::string> text(count, "a { b: c; }");
        for (const auto& [index, line] : c.Lines)
            text[static_cast<std::size_t>(index)] = line;
        for (const std::string& line : text)
            editor.Lines.Add(line);
        editor.States.SetHighlighter(&css);
        EXPECT_EQ(StoredStates(editor.Lines), RescannedStates(editor.Lines)) << c.Name;
    }
}

TEST_F(LineStates, AttachingMeasuresRepaintsAndListensForAttributeChanges)
{
    Editor.States.SetHighlighter(&Css);
    EXPECT_EQ(Editor.Measures, 1);
    EXPECT_EQ(Editor.RepaintAlls, 1);
    EXPECT_EQ(Css.ChangeListeners().Count(), 1);
    // Setting the same highlighter again does nothing.
    Editor.States.SetHighlighter(&Css);
    EXPECT_EQ(Editor.Measures, 1);

    Css.KeyAttri()->SetStyle(fsBold | fsItalic);
    EXPECT_EQ(Editor.Measures, 2);
    EXPECT_EQ(Editor.RepaintAlls, 2);

    TSynCssSyn other;
    Editor.States.SetHighlighter(&other);
    EXPECT_EQ(Css.ChangeListeners().Count(), 0);
    Css.KeyAttri()->SetStyle(0);
    EXPECT_EQ(Editor.Measures, 3);
    Editor.States.SetHighlighter(nullptr);
}

TEST(LineStatesLifetime, ADestroyedHighlighterIsDroppedAndTheValuesStay)
{
    TEditorFixture editor;
    auto css = std::make_unique<TSynCssSyn>();
    editor.States.SetHighlighter(css.get());
    editor.Load({"/* a", "b"});
    const int measures = editor.Measures;
    css.reset();
    EXPECT_EQ(editor.States.Highlighter(), nullptr);
    EXPECT_EQ(editor.Measures, measures + 1);
    EXPECT_EQ(editor.Repaints, (std::vector<TRepaintRect>{TRepaintRect{.TextArea = true, .AllRows = true}}));
    EXPECT_EQ(StoredStates(editor.Lines), (TStates{0, 1}));
    editor.Lines.Put(0, "a");
    EXPECT_EQ(StoredStates(editor.Lines), (TStates{0, 1}));
}

TEST(LineStatesLifetime, AnEditorThatGoesFirstUnregistersFromItsHighlighter)
{
    TSynCssSyn css;
    {
        TEditorFixture editor;
        editor.States.SetHighlighter(&css);
        EXPECT_EQ(css.ChangeListeners().Count(), 1);
    }
    EXPECT_EQ(css.ChangeListeners().Count(), 0);
    // Would call into the gone editor if it were still registered.
    css.CommentAttri()->SetStyle(0);
}

TEST_F(LineStates, MarksInsideAnOpenBracketComeOutAsOneRectangle)
{
    Editor.States.SetHighlighter(&Css);
    Editor.Load({"a", "b", "c", "d", "e", "f"});
    int changedNotices = 0;
    Editor.States.OnLinesChanged = [&] { ++changedNotices; };
    Editor.Lines.BeginUpdate();
    Editor.Lines.Put(4, "x");
    Editor.Lines.Put(1, "y");
    EXPECT_TRUE(Editor.Repaints.empty());
    Editor.Lines.EndUpdate();
    EXPECT_EQ(Editor.Repaints, std::vector<TRepaintRect>{TextRows(2, 5)});
    EXPECT_EQ(changedNotices, 1);

    Editor.Repaints.clear();
    Editor.Lines.BeginUpdate();
    Editor.Lines.Put(2, "z");
    Editor.Lines.Add("g");
    Editor.Lines.EndUpdate();
    // A text row and a full row: one rectangle over both, full width.
    EXPECT_EQ(Editor.Repaints, std::vector<TRepaintRect>{FullRows(3, 7)});
}

TEST(LineStatesRepaint, ClipsRowRangesToTheWindow)
{
    struct TCase {
        int First;
        int Last;
        bool Marked;
        int MarkedFirst;
        int MarkedLast;
    };
    // Window: top line 10, 5 lines in the window, so rows 10 to 15.
    const TCase cases[] = {
        {11, 12, true, 11, 12}, {12, 11, true, 11, 12},    {1, 100, true, 10, 15},
        {1, 9, false, 0, 0},    {16, 20, false, 0, 0},     {15, INT_MAX, true, 15, 15},
        {-5, 10, true, 10, 10}, {-1, -1, true, 0, 0},
    };
    for (const TCase& c : cases) {
        TEditorFixture editor;
        editor.States.SetView(10, 5, true);
        editor.States.RepaintLines(c.First, c.Last);
        editor.States.RepaintGutterLines(c.First, c.Last);
        if (!c.Marked) {
            EXPECT_TRUE(editor.Repaints.empty()) << c.First << ".." << c.Last;
            continue;
        }
        ASSERT_EQ(editor.Repaints.size(), 2u) << c.First << ".." << c.Last;
        if (c.First == -1) {
            EXPECT_EQ(editor.Repaints[0], (TRepaintRect{.TextArea = true, .AllRows = true}));
            EXPECT_EQ(editor.Repaints[1], (TRepaintRect{.Gutter = true, .AllRows = true}));
        } else {
            EXPECT_EQ(editor.Repaints[0], TextRows(c.MarkedFirst, c.MarkedLast)) << c.First << ".." << c.Last;
            EXPECT_EQ(editor.Repaints[1], (TRepaintRect{.Gutter = true, .FirstLine = c.MarkedFirst, .LastLine = c.MarkedLast}));
        }
    }
}

TEST(LineStatesRepaint, MarksALineOnlyWhenItIsInTheWindowAndTheText)
{
    TEditorFixture editor;
    editor.Load({"a", "b", "c"});
    editor.States.SetView(2, 1, true);
    for (const int line : {1, 2, 3, 4})
        editor.States.RepaintLine(line);
    EXPECT_EQ(editor.Repaints, (std::vector<TRepaintRect>{FullRows(2, 2), FullRows(3, 3)}));

    // Hidden or without a window: nothing at all.
    editor.Repaints.clear();
    editor.States.SetView(1, 20, false);
    editor.States.RepaintLine(1);
    editor.States.RepaintLines(-1, -1);
    editor.Lines.Put(0, "x");
    EXPECT_TRUE(editor.Repaints.empty());
}

TSynLineStore StoreOf(std::initializer_list<const char*> lines)
{
    TSynLineStore store;
    for (const char* line : lines)
        store.Append(line);
    return store;
}

TEST_F(LineStates, DeletingARange_RescansFromThereAndMarksOnceDownToTheBottom)
{
    Editor.States.SetHighlighter(&Css);
    Editor.Load({"a", "/* b", "c", "d */", "e", "f"});
    TSynLineStore gone = Editor.Lines.ExtractLines(1, 2);
    EXPECT_EQ(StoredStates(Editor.Lines), (TStates{0, 0, 0, 0}));
    EXPECT_EQ(Editor.Repaints, std::vector<TRepaintRect>{FullRows(2, 21)});
    EXPECT_EQ(gone.Count(), 2);
    EXPECT_EQ(gone.Get(0), "/* b");
}

TEST_F(LineStates, InsertingNewLines_ScansThroughEveryOneOfThem)
{
    Editor.States.SetHighlighter(&Css);
    Editor.Load({"a", "b", "c */", "d"});
    // Every new line holds 0, like the line above ends: only scanning them all finds the comment.
    Editor.Lines.InsertLines(1, StoreOf({"x", "y", "/* z", "w"}));
    EXPECT_EQ(StoredStates(Editor.Lines), (TStates{0, 0, 0, 0, 1, 1, 1, 0}));
    EXPECT_EQ(StoredStates(Editor.Lines), RescannedStates(Editor.Lines));
    EXPECT_EQ(Editor.Repaints, std::vector<TRepaintRect>{FullRows(2, 21)});
    // At the top as well.
    Editor.Lines.InsertLines(0, StoreOf({"/*", "q", "*/"}));
    EXPECT_EQ(StoredStates(Editor.Lines), RescannedStates(Editor.Lines));
}

TEST(LineStatesRanges, LinesThatComeBackWithTheirStatesAreNotScannedAgain)
{
    test::TCountingCss css;
    TEditorFixture editor;
    editor.States.SetHighlighter(&css);
    editor.Lines.Add("top");
    for (int i = 0; i < 1000; ++i)
        editor.Lines.Add(i % 7 == 0 ? "/* open" : i % 7 == 3 ? "close */" : "text");
    editor.Lines.Add("bottom");
    const TStates before = StoredStates(editor.Lines);

    TSynLineStore block = editor.Lines.ExtractLines(1, 1000);
    css.Scanned = 0;
    editor.Lines.InsertLines(1, std::move(block));
    EXPECT_EQ(StoredStates(editor.Lines), before);
    EXPECT_LE(css.Scanned, 3);

    // Put back where the line above ends inside a comment, the chain of states is no longer right
    // and the rescan goes on until the states agree again.
    block = editor.Lines.ExtractLines(1, 1000);
    editor.Lines.Put(0, "/* top");
    editor.Lines.InsertLines(1, std::move(block));
    EXPECT_EQ(StoredStates(editor.Lines), RescannedStates(editor.Lines));
}

TEST(LineStatesRanges, StatesGivenOutWhileDetachedOrUnderAnotherHighlighterAreScannedAgain)
{
    TSynCssSyn css;
    TEditorFixture editor;
    editor.States.SetHighlighter(&css);
    editor.Load({"a", "c", "b", "z"});
    // Detached, the values go stale: line 2 should now start inside the comment.
    editor.States.SetHighlighter(nullptr);
    editor.Lines.Put(1, "/* x");
    TSynLineStore stale = editor.Lines.ExtractLines(0, 3);
    editor.States.SetHighlighter(&css);
    editor.Lines.InsertLines(0, std::move(stale));
    EXPECT_EQ(StoredStates(editor.Lines), (TStates{0, 0, 1, 1}));

    // Given out under one highlighter, back under another that was attached since.
    TSynLineStore lines = editor.Lines.ExtractLines(1, 2);
    TSynCssSyn other;
    editor.States.SetHighlighter(&other);
    editor.Lines.Put(0, "*/");
    for (int i = 0; i < editor.Lines.Count(); ++i)
        editor.Lines.PutObject(i, 1);  // nonsense that a kept chain would not repair
    editor.States.SetHighlighter(&css);
    editor.Lines.InsertLines(1, std::move(lines));
    EXPECT_EQ(StoredStates(editor.Lines), RescannedStates(editor.Lines));
}

// Random edits, attaching and detaching: whenever the highlighter is attached, every stored state
// equals a rescan from the top.
TEST(LineStatesInvariant, HoldsAfterEveryStepOfRandomEdits)
{
    const char* const pieces[] = {"/*", "*/", "a", " ", "'", "x/*y", "*/ b /*", "", "/**/", "c */ d", "{1}"};
    std::mt19937 random(20261208);
    const auto line = [&] {
        std::string text;
        for (unsigned n = random() % 4; n > 0; --n)
            text += pieces[random() % std::size(pieces)];
        return text;
    };
    TSynCssSyn css;
    TEditorFixture editor;
    editor.States.SetHighlighter(&css);
    std::vector<TSynLineStore> aside;
    int checked = 0;
    for (int step = 0; step < 7000; ++step) {
        const int count = editor.Lines.Count();
        const int at = count == 0 ? 0 : static_cast<int>(random() % static_cast<unsigned>(count));
        switch (random() % 21) {
        case 0: case 1: case 2: case 3:
            editor.Lines.Add(line());
            break;
        case 4: case 5: case 6:
            editor.Lines.Insert(random() % 4 == 0 ? count : at, line());
            break;
        case 7: case 8: case 9:
            editor.Lines.Delete(at);
            break;
        case 10: case 11:
            editor.Lines.Put(at, line());
            break;
        case 12:
            // An edit inside a line, as typing does it; now and then the line is first made long
            // enough to keep places inside it.
            if (count > 0 && random() % 30 == 0) {
                std::string text;
                while (text.size() < 80 * 1024)
                    text += line() + "x y";
                editor.Lines.Put(at, text);
            } else if (count > 0) {
                // Mostly the first long line.
                int index = at;
                for (int i = random() % 4 != 0 ? 0 : count; i < count; ++i) {
                    if (editor.Lines.Get(i).size() >= 64 * 1024) {
                        index = i;
                        break;
                    }
                }
                for (unsigned n = 1 + random() % 8; n > 0; --n) {
                    const std::size_t length = editor.Lines.Get(index).size();
                    const std::size_t from = random() % 2 == 0 ? random() % (length + 1) : std::min<std::size_t>(length, random() % 64);
                    editor.Lines.Splice(index, from, random() % 4, pieces[random() % std::size(pieces)]);
                }
            }
            break;
        case 13:
            if (random() % 8 == 0)
                editor.Lines.Clear();
            break;
        case 14: {
            std::vector<std::string> lines;
            for (unsigned n = random() % 5; n > 0; --n)
                lines.push_back(line());
            editor.Lines.AddStrings(lines);
            break;
        }
        case 15:
            editor.States.SetHighlighter(editor.States.Highlighter() != nullptr ? nullptr : &css);
            break;
        case 16: case 17:
            // A range out, kept aside (as the undo history keeps deleted lines).
            if (count > 0)
                aside.push_back(editor.Lines.ExtractLines(at, 1 + static_cast<int>(random() % 30)));
            break;
        case 18: case 19:
            // A range back, at its place or anywhere, now or after other edits.
            if (!aside.empty()) {
                const std::size_t which = random() % aside.size();
                editor.Lines.InsertLines(random() % 2 == 0 ? at : static_cast<int>(random() % static_cast<unsigned>(count + 1)),
                                         std::move(aside[which]));
                aside.erase(aside.begin() + static_cast<std::ptrdiff_t>(which));
            }
            break;
        default: {
            TSynLineStore lines;
            for (unsigned n = 1 + random() % 6; n > 0; --n)
                lines.Append(line());
            editor.Lines.InsertLines(random() % 4 == 0 ? count : at, std::move(lines));
            break;
        }
        }
        if (editor.States.Highlighter() != nullptr) {
            ASSERT_EQ(StoredStates(editor.Lines), RescannedStates(editor.Lines)) << "step " << step;
            ++checked;
        }
    }
    EXPECT_GT(checked, 3000);
}

TEST(LineStatesTokens, ScanningEachLineFromItsStoredStateGivesTheFileTokens)
{
    std::ifstream in(std::string(PINDLE_HIGHLIGHT_DATA) + "/sample.css", std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    const std::string text = content.str();
    ASSERT_FALSE(text.empty());

    TSynCssSyn css;
    TEditorFixture editor;
    editor.States.SetHighlighter(&css);
    editor.Lines.SetText(text);
    ASSERT_EQ(editor.Lines.Count(), 10);

    // Line by line from the stored states, each line started fresh, against one continuous scan.
    TSynCssSyn continuous;
    continuous.ResetLineState();
    for (int i = 0; i < editor.Lines.Count(); ++i) {
        css.SetLineState(editor.Lines.GetObject(i));
        css.StartLine(editor.Lines.Get(i), i);
        continuous.StartLine(editor.Lines.Get(i), i);
        while (!continuous.AtLineEnd()) {
            ASSERT_FALSE(css.AtLineEnd()) << "line " << i;
            EXPECT_EQ(css.TokenStart(), continuous.TokenStart());
            EXPECT_EQ(css.TokenKind(), continuous.TokenKind());
            EXPECT_EQ(css.TokenText(), continuous.TokenText());
            css.NextToken();
            continuous.NextToken();
        }
        EXPECT_TRUE(css.AtLineEnd()) << "line " << i;
    }
    EXPECT_EQ(StoredStates(editor.Lines), (TStates{0, 1, 0, 0, 0, 0, 1, 1, 0, 0}));
}

}  // namespace
}  // namespace pindle
