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
        void SetText(const std::string& text) override { Content = text; }
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
            core.ExecuteCommand(random() % 2 ? ecDeleteChar : ecChar, '*');
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

    core.ProcessKeystroke('X', 'x');
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
    core.ExecuteCommand(ecChar, 'a');
    EXPECT_TRUE(listener.Areas.empty());
}

}  // namespace
}  // namespace pindle
