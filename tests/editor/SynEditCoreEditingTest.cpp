// Editing through the core keeps the stored line states equal to a full rescan, and reports only the
// rows it changed.
#include "editor/SynEditCore.h"

#include "highlight/SynHighlighterCss.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace pindle {
namespace {

// The start state of every line, computed from scratch on a highlighter of its own.
std::vector<std::intptr_t> FullRescan(const TSynEditList& lines) {
    TSynCssSyn css;
    std::vector<std::intptr_t> states;
    css.ResetLineState();
    for (int i = 0; i < lines.Count(); ++i) {
        states.push_back(css.LineState());
        const std::string text(lines.Get(i));
        css.StartLine(text, i);
        css.ScanToLineEnd();
    }
    return states;
}

std::vector<std::intptr_t> StoredStates(const TSynEditList& lines) {
    std::vector<std::intptr_t> states;
    for (int i = 0; i < lines.Count(); ++i) states.push_back(lines.GetObject(i));
    return states;
}

class TRecordingListener : public ISynEditCoreListener {
public:
    void Repaint(const TRepaintRect& area) override { Areas.push_back(area); }
    std::vector<TRepaintRect> Areas;
};

TEST(SynEditCoreStates, RandomEditsKeepLineStatesEqualToAFullRescan) {
    TSynCssSyn css;
    TSynEditCore core;
    core.SetHighlighter(&css);
    core.SetWindowSize(20, 60);
    for (const char* line : {"a { color: red; }", "/* open", "still comment", "*/ b { }", "c {", "  margin: 0;", "}"})
        core.Lines().Add(line);

    // Pieces chosen to open and close comments often.
    const char* const pieces[] = {"/*", "*/", "/* x */", "a", " ", "{", "}", "\n", "/*\n", "\n*/", "x;\ny"};
    const TSynEditorCommand commands[] = {
        ecDeleteLastChar, ecDeleteChar,   ecLineBreak,   ecInsertLine,   ecDeleteLine,    ecDeleteEOL,
        ecDeleteWord,     ecUndo,         ecRedo,        ecBlockIndent,  ecBlockUnindent, ecDeleteLastWord,
        ecTab,            ecShiftTab,     ecMatchBracket, ecSelectAll,   ecCut,           ecPaste,
        ecColumnSelect,   ecLineSelect,   ecNormalSelect, ecSelWordRight, ecSelPageDown,  ecSelEditorTop,
        ecToggleMode,     ecScrollDown,   ecSetMarker1,  ecGotoMarker1};
    struct TClipboard : ISynClipboard {
        void SetText(std::string text) override { Content = std::move(text); }
        std::string Text() override { return Content; }
        std::string Content = "/* pasted\r\n*/ x";
    } clipboard;
    core.SetClipboard(&clipboard);
    std::mt19937 random(20261208);
    for (int step = 0; step < 3000; ++step) {
        // Deletions outweigh insertions; keep enough lines for comments to span.
        if (core.LineCount() < 12) core.SetSelText("x {\n/* y\n  z */ a\n}\n/*\n");
        const int lines = std::max(1, core.LineCount());
        core.SetCaretXY({static_cast<int>(random() % 20) + 1, static_cast<int>(random() % static_cast<unsigned>(lines)) + 1});
        switch (random() % 5) {
        case 0:
            core.SetSelText(pieces[random() % std::size(pieces)]);
            break;
        case 4:
            core.MoveCaretAndSelection({static_cast<int>(random() % 20) + 1,
                                        static_cast<int>(random() % static_cast<unsigned>(lines)) + 1});
            core.DropSelection({static_cast<int>(random() % 20) + 1, static_cast<int>(random() % static_cast<unsigned>(lines)) + 1},
                               random() % 2 == 0);
            break;
        case 1:
            core.MoveCaretAndSelection({static_cast<int>(random() % 20) + 1,
                                        static_cast<int>(random() % static_cast<unsigned>(lines)) + 1});
            core.ExecuteCommand(random() % 2 ? ecDeleteChar : ecChar, "*");
            break;
        default:
            core.ExecuteCommand(commands[random() % std::size(commands)]);
            break;
        }
        ASSERT_EQ(StoredStates(core.Lines()), FullRescan(core.Lines())) << "after step " << step;
    }
}

TEST(SynEditCoreStates, UndoingEverythingGivesBackTheText) {
    TSynCssSyn css;
    TSynEditCore core;
    core.SetHighlighter(&css);
    const std::vector<std::string> original = {"a { }", "/* c */", "", "b {", "}"};
    for (const auto& line : original) core.Lines().Add(line);
    std::mt19937 random(7);
    for (int step = 0; step < 400; ++step) {
        const int lines = core.LineCount();
        core.SetCaretXY({static_cast<int>(random() % 8) + 1, static_cast<int>(random() % static_cast<unsigned>(lines)) + 1});
        core.MoveCaretAndSelection({static_cast<int>(random() % 8) + 1, static_cast<int>(random() % static_cast<unsigned>(lines)) + 1});
        if (random() % 3 == 0) core.SetSelectionMode(static_cast<TSynSelectionMode>(random() % 3));
        core.SetSelText(random() % 2 ? "/*\nq" : "z");
    }
    while (core.CanUndo()) core.Undo();
    std::vector<std::string> text;
    for (int i = 1; i <= core.LineCount(); ++i) text.emplace_back(core.LineText(i));
    EXPECT_EQ(text, original);
    EXPECT_EQ(StoredStates(core.Lines()), FullRescan(core.Lines()));
}

// Lines of megabytes edited anywhere along their length (SetSelection reaches beyond the caret
// limit): the states stay those of a full rescan, and undoing everything gives the text back.
TEST(SynEditCoreStates, EditsAlongLinesOfMegabytesKeepStatesAndUndo) {
    TSynCssSyn css;
    TSynEditCore core;
    core.SetHighlighter(&css);
    core.SetWindowSize(20, 60);
    std::string big;
    while (big.size() < (3u << 20)) big += "a { b: 'c/*' } /* d */ ";
    const std::vector<std::string> original = {"x {", big, "}", std::string(1u << 20, 'q'), "/* e"};
    for (const auto& line : original) core.Lines().Add(line);
    const char* const pieces[] = {"/*", "*/", "'", "z", "\n", "/* q\n*/", ""};
    std::mt19937 random(23);
    for (int step = 0; step < 150; ++step) {
        const int line = static_cast<int>(random() % static_cast<unsigned>(core.LineCount())) + 1;
        const int length = static_cast<int>(core.LineText(line).size());
        // Half of the edits where typing makes them, near the line's start.
        const int reach = step % 2 == 0 ? length + 1 : std::min(length + 1, 1024);
        const int from = static_cast<int>(random() % static_cast<unsigned>(reach)) + 1;
        const int to = std::min(length + 1, from + static_cast<int>(random() % 3));
        core.SetSelection({from, line}, {to, line});
        core.SetSelText(pieces[random() % std::size(pieces)]);
        ASSERT_EQ(StoredStates(core.Lines()), FullRescan(core.Lines())) << "after step " << step;
    }
    while (core.CanUndo()) core.Undo();
    std::vector<std::string> text;
    for (int i = 1; i <= core.LineCount(); ++i) text.emplace_back(core.LineText(i));
    EXPECT_TRUE(text == original);
    EXPECT_EQ(StoredStates(core.Lines()), FullRescan(core.Lines()));
}

std::vector<std::string> TextOf(const TSynEditCore& core) {
    std::vector<std::string> lines;
    for (int i = 1; i <= core.LineCount(); ++i) lines.emplace_back(core.LineText(i));
    return lines;
}

// Deleting a large part of the text and undoing that: one history entry, the text back line for
// line with the states of a full rescan, and redo doing the same deletion again.
TEST(SynEditCoreBulk, DeletingMostOfTheTextIsOneEntryThatUndoAndRedoReplay) {
    TSynCssSyn css;
    TSynEditCore core;
    core.SetHighlighter(&css);
    for (int i = 0; i < 3000; ++i)
        core.Lines().Add(i % 11 == 0 ? "/* note " + std::to_string(i) : i % 11 == 4 ? "end */ a {" : "  x: " + std::to_string(i) + ";");
    const std::vector<std::string> original = TextOf(core);
    struct TCase {
        TBufferCoord From;
        TBufferCoord To;
    };
    const TCase cases[] = {
        {{1, 1}, {14, 3000}},  // select all
        {{1, 1}, {1, 3000}},   // whole lines, the last one stays
        {{3, 2}, {5, 2999}},   // from the middle of a line to the middle of another
        {{9, 1}, {1, 2}},      // just a line break
    };
    for (const TCase& c : cases) {
        core.SetSelection(c.From, c.To);
        const std::string selected = core.SelText();
        core.ExecuteCommand(ecDeleteChar);
        EXPECT_EQ(core.UndoCount(), 1);
        EXPECT_EQ(StoredStates(core.Lines()), FullRescan(core.Lines()));
        const std::vector<std::string> deleted = TextOf(core);
        core.Undo();
        EXPECT_EQ(TextOf(core), original);
        EXPECT_EQ(StoredStates(core.Lines()), FullRescan(core.Lines()));
        EXPECT_EQ(core.SelText(), selected);
        core.Redo();
        EXPECT_EQ(TextOf(core), deleted);
        core.Undo();
        EXPECT_EQ(TextOf(core), original);
        core.ClearUndo();
    }
}

// A deleted block that comes back after the highlighter was changed (its stored states are then
// no proof of anything) or after the text above it changed.
TEST(SynEditCoreBulk, UndoAfterTheContextChangedStillGivesTheStatesOfAFullRescan) {
    TSynCssSyn css;
    TSynCssSyn other;
    TSynEditCore core;
    core.SetHighlighter(&css);
    for (int i = 0; i < 200; ++i) core.Lines().Add(i % 9 == 0 ? "/* c" : i % 9 == 5 ? "*/" : "t");
    core.SetSelection({1, 20}, {1, 150});
    core.ExecuteCommand(ecDeleteChar);
    core.SetHighlighter(nullptr);
    core.SetHighlighter(&other);
    core.SetCaretXY({1, 10});
    core.SetSelText("/* opened above\n");
    core.Undo();
    core.Undo();
    EXPECT_EQ(StoredStates(core.Lines()), FullRescan(core.Lines()));
    EXPECT_EQ(core.LineCount(), 200);
    core.Redo();
    core.Redo();
    EXPECT_EQ(StoredStates(core.Lines()), FullRescan(core.Lines()));
}

TEST(SynEditCoreBulk, BookmarksFollowALargeDeletionAndItsUndo) {
    TSynEditCore core;
    for (int i = 0; i < 100; ++i) core.Lines().Add("line " + std::to_string(i));
    core.SetBookmark(1, {1, 10});   // inside the deleted lines: it goes with them
    core.SetBookmark(2, {1, 80});   // below: moves up and back down
    core.SetBookmark(3, {1, 5});    // above: stays
    core.SetSelection({1, 6}, {1, 60});
    core.ExecuteCommand(ecDeleteChar);
    EXPECT_FALSE(core.GetBookmark(1).has_value());
    EXPECT_EQ(core.GetBookmark(2)->Line, 26);
    EXPECT_EQ(core.GetBookmark(3)->Line, 5);
    core.Undo();
    EXPECT_EQ(core.GetBookmark(2)->Line, 80);
    EXPECT_EQ(core.GetBookmark(3)->Line, 5);
    EXPECT_EQ(core.LineText(60), "line 59");
}

TEST(SynEditCoreBulk, PastingManyLinesGivesEachItsLineAndState) {
    TSynCssSyn css;
    TSynEditCore core;
    core.SetHighlighter(&css);
    core.Lines().Add("head tail");
    std::string text;
    for (int i = 0; i < 500; ++i) text += i % 2 == 0 ? "/* a\r\n" : "b */\r\n";
    text += "last";
    core.SetCaretXY({6, 1});
    core.SetSelText(text);
    ASSERT_EQ(core.LineCount(), 501);
    EXPECT_EQ(core.LineText(1), "head /* a");
    EXPECT_EQ(core.LineText(500), "b */");
    EXPECT_EQ(core.LineText(501), "lasttail");
    EXPECT_EQ(core.CaretXY(), (TBufferCoord{5, 501}));
    EXPECT_EQ(StoredStates(core.Lines()), FullRescan(core.Lines()));
    core.Undo();
    EXPECT_EQ(TextOf(core), std::vector<std::string>{"head tail"});
}

TEST(SynEditCoreRepaint, TypingRepaintsOnlyTheCaretRow) {
    TSynCssSyn css;
    TSynEditCore core;
    TRecordingListener listener;
    core.SetHighlighter(&css);
    for (int i = 0; i < 100; ++i) core.Lines().Add("p { margin: " + std::to_string(i) + "px; }");
    core.SetWindowSize(30, 80);
    core.SetVisible(true);
    core.SetCaretXY({5, 10});
    core.SetListener(&listener);

    core.ProcessKeystroke('X', "x");
    ASSERT_EQ(listener.Areas.size(), 1u);
    EXPECT_EQ(listener.Areas[0].FirstLine, 10);
    EXPECT_EQ(listener.Areas[0].LastLine, 10);
    EXPECT_FALSE(listener.Areas[0].AllRows);

    // Opening a comment recolours every row below it in the window, down to the partly visible
    // row under the last whole one.
    listener.Areas.clear();
    core.SetSelText("/*");
    ASSERT_EQ(listener.Areas.size(), 1u);
    EXPECT_EQ(listener.Areas[0].FirstLine, 10);
    EXPECT_EQ(listener.Areas[0].LastLine, 31);
}

TEST(SynEditCoreRepaint, SelectionRepaintsTheRowsItCrosses) {
    TSynEditCore core;
    TRecordingListener listener;
    for (int i = 0; i < 50; ++i) core.Lines().Add("line");
    core.SetWindowSize(40, 80);
    core.SetVisible(true);
    core.SetCaretXY({1, 5});
    core.SetListener(&listener);
    core.ExecuteCommand(ecSelDown);
    core.ExecuteCommand(ecSelDown);
    ASSERT_EQ(listener.Areas.size(), 2u);
    EXPECT_EQ(listener.Areas[1].FirstLine, 6);
    EXPECT_EQ(listener.Areas[1].LastLine, 7);
    listener.Areas.clear();
    core.ExecuteCommand(ecLeft);  // drops the selection over rows 5 to 7
    ASSERT_EQ(listener.Areas.size(), 1u);
    EXPECT_EQ(listener.Areas[0].FirstLine, 5);
    EXPECT_EQ(listener.Areas[0].LastLine, 7);

    // Hidden, nothing is reported.
    listener.Areas.clear();
    core.SetVisible(false);
    core.ExecuteCommand(ecChar, "a");
    EXPECT_TRUE(listener.Areas.empty());
}

}  // namespace
}  // namespace pindle
