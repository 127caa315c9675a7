#include "editor/SynEditCore.h"

#include "highlight/SynHighlighterCss.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace pindle {
namespace {

class TFakeClipboard : public ISynClipboard {
public:
    void SetText(std::string text) override { Content = std::move(text); }
    std::string Text() override { return Content; }
    std::string Content;
};

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        core.SetClipboard(&clipboard);
        core.SetWindowSize(10, 40);
        core.SetHighlighter(&css);
    }
    void Load(const std::vector<std::string>& lines) {
        for (const auto& line : lines) core.Lines().Add(line);
    }
    std::vector<std::string> Text() const {
        std::vector<std::string> lines;
        for (int i = 1; i <= core.LineCount(); ++i) lines.emplace_back(core.LineText(i));
        return lines;
    }
    void Key(TShortCut keystroke, std::string_view typed = {}) { core.ProcessKeystroke(keystroke, typed); }
    void Type(std::string_view text) {
        for (const char c : text) core.ExecuteCommand(ecChar, std::string_view(&c, 1));
    }

    TSynCssSyn css;
    TSynEditCore core;
    TFakeClipboard clipboard;
};

using Lines = std::vector<std::string>;
constexpr TShortCut Ctrl = scCtrl;
constexpr TShortCut Shift = scShift;
constexpr TShortCut ShiftCtrl = scShift | scCtrl;

TEST_F(CoreTest, AddRecordsNoUndoAndClearEmptiesTheHistories) {
    Load({"a {", "}"});
    EXPECT_FALSE(core.CanUndo());
    Key(Ctrl | 'Z');
    EXPECT_EQ(Text(), (Lines{"a {", "}"}));

    Type("xy");
    core.ExecuteCommand(ecUndo);
    ASSERT_TRUE(core.CanUndo());
    ASSERT_TRUE(core.CanRedo());
    core.SetSelection({1, 1}, {2, 1});
    core.SetBookmark(3, {1, 2});
    core.SetTopLine(2);

    core.Clear();
    EXPECT_EQ(core.LineCount(), 0);
    EXPECT_FALSE(core.CanUndo());
    EXPECT_FALSE(core.CanRedo());
    EXPECT_FALSE(core.SelAvail());
    EXPECT_EQ(core.CaretXY(), (TBufferCoord{1, 1}));
    EXPECT_EQ(core.TopLine(), 1);
    EXPECT_EQ(core.LeftChar(), 1);
    EXPECT_FALSE(core.GetBookmark(3).has_value());
}

TEST_F(CoreTest, ClearingTheListDirectlyResetsTheEditorToo) {
    Load({"one", "two", "three"});
    core.SetCaretXY({3, 3});
    Type("!");
    core.Lines().Clear();
    EXPECT_FALSE(core.CanUndo());
    EXPECT_EQ(core.CaretXY(), (TBufferCoord{1, 1}));
}

TEST_F(CoreTest, TypingInsertsAndOverwritesAndUndoRestoresTheCaret) {
    Load({"color: red;"});
    core.SetCaretXY({8, 1});
    Type("dark");
    EXPECT_EQ(Text(), Lines{"color: darkred;"});
    EXPECT_EQ(core.CaretXY(), (TBufferCoord{12, 1}));

    Key(vk::Insert);  // overwrite mode
    EXPECT_FALSE(core.InsertMode());
    Type("RED");
    EXPECT_EQ(Text(), Lines{"color: darkRED;"});

    for (int i = 0; i < 3; ++i) core.Undo();
    EXPECT_EQ(Text(), Lines{"color: darkred;"});
    EXPECT_EQ(core.CaretXY(), (TBufferCoord{12, 1}));
    core.Redo();
    EXPECT_EQ(Text(), Lines{"color: darkRed;"});
    EXPECT_EQ(core.CaretXY(), (TBufferCoord{13, 1}));

    // The first characters typed into an empty document make its first line.
    core.Lines().Clear();
    Type("p {");
    EXPECT_EQ(Text(), Lines{"p {"});
    for (int i = 0; i < 3; ++i) core.Undo();
    EXPECT_EQ(Text(), Lines{""});
}

// A typed character replaces the selection and nothing else, in insert and in overwrite mode.
TEST_F(CoreTest, TypingOverASelectionReplacesOnlyTheSelection) {
    const struct {
        Lines Before;
        TBufferCoord Anchor, End;
        TSynSelectionMode Mode;
        bool Overwrite;
        Lines After;
    } cases[] = {
        {{"abcdef"}, {2, 1}, {4, 1}, TSynSelectionMode::smNormal, true, {"aXdef"}},
        {{"abcdef"}, {2, 1}, {4, 1}, TSynSelectionMode::smNormal, false, {"aXdef"}},
        {{"abcdef"}, {4, 1}, {2, 1}, TSynSelectionMode::smNormal, true, {"aXdef"}},  // selected leftwards
        {{"abcdef", "xyz"}, {2, 1}, {2, 2}, TSynSelectionMode::smNormal, true, {"aXyz"}},
        {{"abcdef"}, {2, 1}, {7, 1}, TSynSelectionMode::smNormal, true, {"aX"}},
        {{"abcdef", "uvwxyz"}, {2, 1}, {4, 2}, TSynSelectionMode::smColumn, true, {"aXdef", "uxyz"}},
        {{"abc", "def", "ghi"}, {2, 1}, {2, 2}, TSynSelectionMode::smLine, true, {"Xghi"}},
    };
    for (const auto& c : cases) {
        core.Lines().Clear();
        Load(c.Before);
        core.SetInsertMode(!c.Overwrite);
        core.SetSelectionMode(c.Mode);
        core.SetSelection(c.Anchor, c.End);
        Type("X");
        EXPECT_EQ(Text(), c.After) << c.Before[0] << " from " << c.Anchor.Char << "," << c.Anchor.Line;
        core.Undo();
        EXPECT_EQ(Text(), c.Before) << "undo after " << c.Before[0];
    }
}

TEST_F(CoreTest, OverwriteKeysSelectingWithShiftThenTypingKeepTheNextCharacter) {
    Load({"abcdef"});
    Key(Ctrl | vk::Home);
    Key(vk::Insert);
    Key(vk::Right);
    Key(Shift | vk::Right);
    Key(Shift | vk::Right);
    Key('X', "X");
    EXPECT_EQ(Text(), Lines{"aXdef"});
    Key('Y', "Y");  // without a selection, overwrite takes the next character
    EXPECT_EQ(Text(), Lines{"aXYef"});
}

TEST_F(CoreTest, TypingBeyondTheLineEndFillsWithBlanks) {
    Load({"ab"});
    core.SetCaretXY({6, 1});
    EXPECT_EQ(core.CaretXY(), (TBufferCoord{6, 1}));
    Type("x");
    EXPECT_EQ(Text(), Lines{"ab   x"});
    core.Undo();
    EXPECT_EQ(Text(), Lines{"ab"});
}

TEST_F(CoreTest, ControlCharactersAndCtrlKeysTypeNothing) {
    Load({""});
    EXPECT_FALSE(core.ProcessKeystroke(Ctrl | 'Q', "\x11"));
    EXPECT_FALSE(core.ProcessKeystroke(scAlt | 'Q', "q"));
    EXPECT_FALSE(core.ProcessKeystroke('Q', "a\x7F"));  // DEL within typed text
    EXPECT_TRUE(core.ProcessKeystroke('Q', "q"));
    EXPECT_TRUE(core.ProcessKeystroke(0xDE, "\xC3\xA9"));         // é, two bytes in UTF-8
    EXPECT_TRUE(core.ProcessKeystroke(scCtrl | scAlt | 'Q', "@"));  // AltGr
    EXPECT_EQ(Text(), Lines{"q\xC3\xA9@"});
}

TEST_F(CoreTest, UndoAndRedoKeepAtMost1024Entries) {
    Load({""});
    // 1030 edits, each its own entry: letters, with a line break after every 26th.
    for (int i = 0; i < 1030; ++i) {
        if (i % 27 == 26) core.ExecuteCommand(ecLineBreak);
        else core.ExecuteCommand(ecChar, std::string(1, static_cast<char>('a' + i % 27)));
    }
    const auto edited = Text();
    EXPECT_EQ(core.UndoCount(), 1024);
    int undone = 0;
    while (core.CanUndo()) {
        core.Undo();
        ++undone;
    }
    EXPECT_EQ(undone, 1024);
    // The six oldest edits could not be undone.
    EXPECT_EQ(Text(), Lines{"abcdef"});
    EXPECT_EQ(core.RedoCount(), 1024);
    int redone = 0;
    while (core.CanRedo()) {
        core.Redo();
        ++redone;
    }
    EXPECT_EQ(redone, 1024);
    EXPECT_EQ(Text(), edited);
    // A new edit after an undo empties the redo history.
    core.Undo();
    Type("!");
    EXPECT_FALSE(core.CanRedo());
}

TEST_F(CoreTest, LineLongerThanMaxLeftCharStaysWholeWhileTheCaretStopsAt1024) {
    const std::string longLine(1500, 'w');
    Load({longLine, "x"});
    Key(vk::End);
    EXPECT_EQ(core.CaretXY(), (TBufferCoord{1024, 1}));
    core.SetCaretXY({2000, 1});
    EXPECT_EQ(core.CaretXY().Char, 1024);
    for (int i = 0; i < 5; ++i) Key(vk::Right);
    EXPECT_EQ(core.CaretXY().Char, 1024);
    Type("z");  // the caret cannot move on, so nothing is typed there
    EXPECT_EQ(core.LineText(1), longLine);

    // Editing near the end of the long line keeps it whole.
    Key(vk::Back);
    EXPECT_EQ(core.LineText(1).size(), 1499u);
    core.Undo();
    EXPECT_EQ(core.LineText(1), longLine);

    // Selecting to the line's end still reaches the last character.
    Key(vk::Home);
    Key(Shift | vk::End);
    EXPECT_EQ(core.CaretXY().Char, 1024);
    EXPECT_EQ(core.SelText(), longLine);
    Key(ShiftCtrl | vk::End);
    EXPECT_EQ(core.SelText(), longLine + "\nx");
}

class TRefusalListener : public ISynEditCoreListener {
public:
    void KeystrokeRefused() override { ++Refusals; }
    int Refusals = 0;
};

// The caret stops at column 1024, so a character typed there cannot go in: the widget is told, to
// make the refusal heard, and neither the text nor the selection changes.
TEST_F(CoreTest, CharacterTypedAtTheLastColumnIsRefusedAudiblyAndChangesNothing) {
    TRefusalListener listener;
    core.SetListener(&listener);
    const std::string longLine(1500, 'w');
    Load({"short", longLine});

    core.SetCaretXY({1024, 1});  // beyond the end of a short line
    Key('Z', "z");
    EXPECT_EQ(listener.Refusals, 1);
    EXPECT_EQ(Text(), (Lines{"short", longLine}));
    EXPECT_FALSE(core.CanUndo());

    // A selection that starts at the last column stays as it was.
    core.SetSelection({1500, 2}, {1024, 2});
    ASSERT_EQ(core.SelText(), longLine.substr(1023, 476));
    Key('Z', "z");
    EXPECT_EQ(listener.Refusals, 2);
    EXPECT_EQ(core.SelText(), longLine.substr(1023, 476));
    EXPECT_EQ(core.LineText(2), longLine);

    // One column to the left the character goes in; a paste at the last column, which the caret
    // limit does not hold back, inserts its text.
    core.SetCaretXY({1023, 1});
    Key('Z', "z");
    EXPECT_EQ(core.LineText(1), "short" + std::string(1017, ' ') + "z");
    clipboard.Content = "p";
    core.SetCaretXY({1024, 1});
    Key(Ctrl | 'V');
    EXPECT_EQ(core.LineText(1), "short" + std::string(1017, ' ') + "zp");
    EXPECT_EQ(listener.Refusals, 2);
    core.SetListener(nullptr);
}

TEST_F(CoreTest, MovementCommands) {
    Load({"a.title { color: red; }", "", "p{margin:0}", "x"});
    core.SetWindowSize(2, 40);
    struct TStep {
        TShortCut Keystroke;
        TBufferCoord Expected;
    };
    const TStep steps[] = {
        {vk::Right, {2, 1}},
        {Ctrl | vk::Right, {3, 1}},   // over "." to the next word
        {Ctrl | vk::Right, {11, 1}},  // "title { " then "color"
        {Ctrl | vk::Left, {3, 1}},
        {vk::End, {24, 1}},
        {vk::Down, {24, 2}},          // scrolling past the end of a line keeps the column
        {vk::Home, {1, 2}},
        {vk::Left, {24, 1}},          // from column 1 to the end of the line above
        {Ctrl | vk::End, {2, 4}},
        {Ctrl | vk::Home, {1, 1}},
        {vk::Next, {1, 3}},
        {vk::Prior, {1, 1}},
        {Ctrl | vk::Next, {1, 2}},    // the last row of the window
        {vk::Up, {1, 1}},
        {vk::Up, {1, 1}},
    };
    for (const auto& step : steps) {
        Key(step.Keystroke);
        EXPECT_EQ(core.CaretXY(), step.Expected) << "after keystroke 0x" << std::hex << step.Keystroke;
        EXPECT_FALSE(core.SelAvail());
    }
}

// Up and Down keep the column the caret started in; a line where it falls inside a wide character
// snaps the caret for that line only. Any other movement starts from the caret's own column again.
TEST_F(CoreTest, UpAndDownKeepTheColumnAcrossWideCharacters) {
    const std::string wide = "a\xE4\xB8\xAD\xE6\x96\x87" "efg";  // a中文efg: 中 in columns 2 and 3
    struct TStep {
        TShortCut Keystroke;
        TBufferCoord Expected;
    };
    const TStep steps[] = {
        {vk::Down, {2, 2}},  // column 3 lies inside 中: the caret stands before it
        {vk::Down, {3, 3}},  // and is back in column 3 on the next line
        {vk::Up, {2, 2}},
        {vk::Up, {3, 1}},
        {vk::Down, {2, 2}},
        {vk::Right, {5, 2}},  // column 4 from here on
        {vk::Down, {4, 3}},
        {vk::Up, {5, 2}},
        {Shift | vk::Up, {4, 1}},
    };
    for (const TSynSelectionMode mode : {TSynSelectionMode::smNormal, TSynSelectionMode::smColumn}) {
        core.Clear();
        Load({"abcdefg", wide, "abcdefg"});
        core.SetSelectionMode(mode);
        core.SetCaretXY({3, 1});
        for (const auto& step : steps) {
            Key(step.Keystroke);
            EXPECT_EQ(core.CaretXY(), step.Expected) << "after keystroke 0x" << std::hex << step.Keystroke;
        }
        // Selecting down keeps the column too; a column block then spans columns 1 to 3 on every line.
        core.SetCaretXY({1, 1});
        Key(Shift | vk::Right);
        Key(Shift | vk::Right);
        Key(Shift | vk::Down);
        Key(Shift | vk::Down);
        EXPECT_EQ(core.CaretXY(), (TBufferCoord{3, 3}));
        EXPECT_EQ(core.SelText(), mode == TSynSelectionMode::smColumn ? "ab\n" + wide.substr(0, 4) + "\nab"
                                                                       : "abcdefg\n" + wide + "\nab");
    }
}

TEST_F(CoreTest, SelectingFormsExtendFromTheAnchor) {
    Load({"h1 { }", "h2 { }"});
    core.SetCaretXY({2, 1});
    Key(Shift | vk::Right);
    Key(Shift | vk::Down);
    EXPECT_EQ(core.SelAnchor(), (TBufferCoord{2, 1}));
    EXPECT_EQ(core.SelText(), "1 { }\nh2");
    Key(Shift | vk::Up);
    EXPECT_EQ(core.SelText(), "1");
    Key(vk::Left);  // a plain movement removes the selection
    EXPECT_FALSE(core.SelAvail());
    Key(Ctrl | 'A');
    EXPECT_EQ(core.SelText(), "h1 { }\nh2 { }");
}

TEST_F(CoreTest, ScrollCommandsMoveTheViewAndKeepTheCaretInIt) {
    for (int i = 1; i <= 30; ++i) core.Lines().Add("line " + std::to_string(i));
    core.SetWindowSize(10, 40);
    Key(Ctrl | vk::Down);
    EXPECT_EQ(core.TopLine(), 2);
    EXPECT_EQ(core.CaretXY().Line, 2);
    Key(Ctrl | vk::Up);
    EXPECT_EQ(core.TopLine(), 1);
    EXPECT_EQ(core.CaretXY().Line, 2);
    Key(Ctrl | vk::End);
    EXPECT_EQ(core.TopLine(), 21);
}

TEST_F(CoreTest, DeletingCommands) {
    struct TCase {
        const char* Name;
        Lines Before;
        TBufferCoord Caret;
        TShortCut Keystroke;
        Lines After;
        TBufferCoord CaretAfter;
    };
    const TCase cases[] = {
        {"Del", {"abc"}, {2, 1}, vk::Delete, {"ac"}, {2, 1}},
        {"Del joins", {"ab", "cd"}, {3, 1}, vk::Delete, {"abcd"}, {3, 1}},
        {"Del beyond the end pads", {"ab", "cd"}, {5, 1}, vk::Delete, {"ab  cd"}, {5, 1}},
        {"BkSp", {"abc"}, {3, 1}, vk::Back, {"ac"}, {2, 1}},
        {"BkSp joins", {"ab", "cd"}, {1, 2}, vk::Back, {"abcd"}, {3, 1}},
        {"BkSp beyond the end steps back", {"ab"}, {6, 1}, vk::Back, {"ab"}, {5, 1}},
        {"Ctrl+T", {"font-size: 1em"}, {1, 1}, Ctrl | 'T', {"size: 1em"}, {1, 1}},
        {"Ctrl+BkSp", {"font size"}, {10, 1}, Ctrl | vk::Back, {"font "}, {6, 1}},
        {"Ctrl+Y", {"a", "b", "c"}, {1, 2}, Ctrl | 'Y', {"a", "c"}, {1, 2}},
        {"Ctrl+Y last line", {"a", "b"}, {2, 2}, Ctrl | 'Y', {"a"}, {1, 1}},
        {"Shift+Ctrl+Y", {"color: red;"}, {6, 1}, ShiftCtrl | 'Y', {"color"}, {6, 1}},
        {"Enter auto-indents", {"  a {b}"}, {6, 1}, vk::Return, {"  a {", "  b}"}, {3, 2}},
        {"Ctrl+M", {"ab"}, {2, 1}, Ctrl | 'M', {"a", "b"}, {1, 2}},
        {"Ctrl+N keeps the caret", {"ab"}, {2, 1}, Ctrl | 'N', {"a", "b"}, {2, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        core.Clear();
        Load(c.Before);
        core.SetCaretXY(c.Caret);
        Key(c.Keystroke);
        EXPECT_EQ(Text(), c.After);
        EXPECT_EQ(core.CaretXY(), c.CaretAfter);
        // Every change undoes as one step back to the text before it.
        if (c.Before != c.After) {
            core.Undo();
            EXPECT_EQ(Text(), c.Before);
            EXPECT_EQ(core.CaretXY(), c.Caret);
        }
    }
}

TEST_F(CoreTest, CutCopyPaste) {
    Load({"a { color: red; }"});
    core.SetSelection({5, 1}, {16, 1});
    Key(Ctrl | 'C');
    EXPECT_EQ(clipboard.Content, "color: red;");
    Key(Shift | vk::Delete);
    EXPECT_EQ(Text(), Lines{"a {  }"});
    Key(vk::Right);
    Key(Shift | vk::Insert);
    EXPECT_EQ(Text(), Lines{"a {  color: red;}"});

    // Paste splits on CR LF, CR and LF alike and undoes as one step.
    clipboard.Content = "x\r\ny\rz\n";
    core.Clear();
    Load({"[]"});
    core.SetCaretXY({2, 1});
    Key(Ctrl | 'V');
    EXPECT_EQ(Text(), (Lines{"[x", "y", "z", "]"}));
    EXPECT_EQ(core.CaretXY(), (TBufferCoord{1, 4}));
    core.Undo();
    EXPECT_EQ(Text(), Lines{"[]"});

    // Copy without a selection leaves the clipboard alone.
    Key(Ctrl | vk::Insert);
    EXPECT_EQ(clipboard.Content, "x\r\ny\rz\n");
}

// Copy writes the selection straight into the clipboard's buffer of the size it announced: the same
// bytes as SelText, in every selection mode, and not one byte beyond.
TEST_F(CoreTest, CopyWritesExactlyTheSelectedTextInPlace) {
    class TGuardedClipboard : public ISynClipboard {
    public:
        void SetText(std::string text) override { Content = std::move(text); }
        std::string Text() override { return Content; }
        void SetTextOf(std::size_t size, const std::function<void(char*)>& write) override {
            std::string buffer(size + 8, '#');
            write(buffer.data());
            Guard = buffer.substr(size);
            Content = buffer.substr(0, size);
        }
        std::string Content, Guard;
    } guarded;
    core.SetClipboard(&guarded);
    const std::string wide = "\xE4\xB8\xAD\xE6\x96\x87x";  // two wide characters, then x
    const Lines text{"abc", "", wide};
    const Lines block{"abcd", "", "wxyz"};
    const struct {
        Lines Before;
        TBufferCoord Anchor, End;
        TSynSelectionMode Mode;
        std::string Expected;
    } cases[] = {
        {text, {2, 1}, {4, 3}, TSynSelectionMode::smNormal, "bc\n\n" + wide.substr(0, 3)},
        {text, {4, 3}, {2, 1}, TSynSelectionMode::smNormal, "bc\n\n" + wide.substr(0, 3)},  // leftwards
        {text, {1, 1}, {12, 3}, TSynSelectionMode::smNormal, "abc\n\n" + wide},  // beyond the line end
        {block, {2, 1}, {4, 3}, TSynSelectionMode::smColumn, "bc\n\nxy"},
        {text, {2, 1}, {2, 3}, TSynSelectionMode::smLine, "abc\n\n" + wide + "\n"},
        {text, {2, 2}, {2, 2}, TSynSelectionMode::smNormal, "unchanged"},  // nothing selected
    };
    for (const auto& c : cases) {
        core.Clear();
        Load(c.Before);
        guarded.Content = "unchanged";
        core.SetSelectionMode(c.Mode);
        core.SetSelection(c.Anchor, c.End);
        Key(Ctrl | 'C');
        EXPECT_EQ(guarded.Content, c.Expected) << "from " << c.Anchor.Char << "," << c.Anchor.Line;
        if (core.SelAvail()) {
            EXPECT_EQ(guarded.Content, core.SelText());
            EXPECT_EQ(core.SelTextSize(), c.Expected.size());
            EXPECT_EQ(guarded.Guard, "########");
        }
    }
    core.SetClipboard(&clipboard);
}

TEST_F(CoreTest, BlockIndentAndUnindent) {
    Load({"a {", "color: red;", "", "}"});
    core.SetSelection({1, 2}, {1, 4});  // ends at the start of line 4: that line is left alone
    Key(ShiftCtrl | 'I');
    EXPECT_EQ(Text(), (Lines{"a {", "  color: red;", "", "}"}));
    Key(ShiftCtrl | 'I');
    EXPECT_EQ(Text(), (Lines{"a {", "    color: red;", "", "}"}));
    EXPECT_TRUE(core.SelAvail());
    Key(ShiftCtrl | 'U');
    Key(ShiftCtrl | 'U');
    Key(ShiftCtrl | 'U');  // nothing left to remove
    EXPECT_EQ(Text(), (Lines{"a {", "color: red;", "", "}"}));
    EXPECT_EQ(core.UndoCount(), 4);
    core.Undo();
    EXPECT_EQ(Text(), (Lines{"a {", "  color: red;", "", "}"}));

    // Without a selection the caret's line moves, and the caret moves with its text.
    core.Clear();
    Load({"\tx", " y"});
    core.SetCaretXY({2, 1});
    Key(ShiftCtrl | 'U');
    EXPECT_EQ(Text(), (Lines{"x", " y"}));
    EXPECT_EQ(core.CaretXY(), (TBufferCoord{1, 1}));
    core.SetCaretXY({2, 2});
    Key(ShiftCtrl | 'I');
    EXPECT_EQ(Text(), (Lines{"x", "   y"}));
    EXPECT_EQ(core.CaretXY(), (TBufferCoord{4, 2}));
    core.SetCaretXY({9, 2});  // beyond the line's end
    Key(ShiftCtrl | 'I');
    EXPECT_EQ(Text(), (Lines{"x", "     y"}));
    EXPECT_EQ(core.CaretXY(), (TBufferCoord{11, 2}));
    EXPECT_FALSE(core.SelAvail());
}

TEST_F(CoreTest, ColumnSelection) {
    Load({"abcdef", "ab", "abcdefgh"});
    Key(ShiftCtrl | 'C');
    EXPECT_EQ(core.SelectionMode(), TSynSelectionMode::smColumn);
    core.SetCaretXY({2, 1});
    Key(Shift | vk::Down);
    Key(Shift | vk::Down);
    Key(Shift | vk::Right);
    Key(Shift | vk::Right);
    EXPECT_EQ(core.SelText(), "bc\nb\nbc");
    EXPECT_TRUE(core.IsSelected(2, 3));  // the block runs on past the short line's end
    EXPECT_FALSE(core.IsSelected(3, 4));
    Key(Ctrl | 'X');
    EXPECT_EQ(clipboard.Content, "bc\nb\nbc");
    EXPECT_EQ(Text(), (Lines{"adef", "a", "adefgh"}));
    EXPECT_EQ(core.CaretXY(), (TBufferCoord{2, 1}));
    core.Undo();
    EXPECT_EQ(Text(), (Lines{"abcdef", "ab", "abcdefgh"}));
    EXPECT_EQ(core.SelText(), "bc\nb\nbc");

    Key(ShiftCtrl | 'L');
    EXPECT_EQ(core.SelText(), "abcdef\nab\nabcdefgh\n");
    Key(vk::Delete);
    EXPECT_EQ(core.LineCount(), 1);
    EXPECT_EQ(core.LineText(1), "");
    Key(ShiftCtrl | 'N');
    EXPECT_EQ(core.SelectionMode(), TSynSelectionMode::smNormal);
}

TEST_F(CoreTest, BookmarksFollowTheirLines) {
    Load({"a", "b", "c", "d"});
    core.SetCaretXY({1, 3});
    Key(ShiftCtrl | '5');
    core.SetCaretXY({1, 4});
    Key(ShiftCtrl | '9');
    core.SetCaretXY({1, 1});
    Key(vk::End);
    Key(vk::Return);  // a line above both
    Key(Ctrl | '5');
    EXPECT_EQ(core.CaretXY(), (TBufferCoord{1, 4}));
    EXPECT_EQ(core.LineText(4), "c");
    Key(Ctrl | 'Y');  // deleting line "c" drops bookmark 5 with it
    EXPECT_FALSE(core.GetBookmark(5).has_value());
    core.SetCaretXY({1, 1});
    Key(Ctrl | '9');
    EXPECT_EQ(core.LineText(core.CaretXY().Line), "d");
    Key(Ctrl | '0');  // not set: nothing happens
    EXPECT_EQ(core.LineText(core.CaretXY().Line), "d");
}

TEST_F(CoreTest, MatchBracket) {
    Load({"a { b: f(x, (y)); }", "c [ d", "] e"});
    struct TCase {
        TBufferCoord From;
        TBufferCoord To;
    };
    const TCase cases[] = {
        {{3, 1}, {19, 1}},  // on "{"
        {{19, 1}, {3, 1}},  // on "}"
        {{9, 1}, {16, 1}},  // "(" skips the nested pair
        {{14, 1}, {15, 1}}, // just after "(": the bracket before the caret
        {{3, 2}, {1, 3}},   // across lines
        {{1, 3}, {3, 2}},
        {{5, 1}, {5, 1}},   // no bracket: the caret stays
    };
    for (const auto& c : cases) {
        core.SetCaretXY(c.From);
        Key(ShiftCtrl | 'B');
        EXPECT_EQ(core.CaretXY(), c.To) << "from " << c.From.Char << "," << c.From.Line;
    }
    core.Clear();
    Load({"(("});
    core.SetCaretXY({1, 1});
    Key(ShiftCtrl | 'B');  // unmatched: the caret stays
    EXPECT_EQ(core.CaretXY(), (TBufferCoord{1, 1}));
}

TEST_F(CoreTest, WordsFollowTheHighlighterIdentifierChars) {
    Load({"font-size: 12px"});
    // Without a highlighter every non-blank character is a word character.
    core.SetHighlighter(nullptr);
    EXPECT_EQ(core.WordBoundsAt({3, 1}), (std::pair<int, int>{1, 11}));
    core.SetHighlighter(&css);
    EXPECT_EQ(core.WordBoundsAt({3, 1}), (std::pair<int, int>{1, 5}));  // a hyphen ends a word
    EXPECT_EQ(core.WordBoundsAt({5, 1}), (std::pair<int, int>{1, 5}));  // just after the word
    core.SelectWordAt({8, 1});
    EXPECT_EQ(core.SelText(), "size");
}

TEST_F(CoreTest, TabsToSpacesAndSmartTabs) {
    Load({"a   b", ""});
    core.SetCaretXY({1, 2});
    core.ExecuteCommand(ecTab);  // smart tab: under the next word start of the line above
    EXPECT_EQ(core.LineText(2), "    ");
    core.ExecuteCommand(ecTab);  // nothing further above: the next tab stop
    EXPECT_EQ(core.LineText(2), "        ");
    core.SetOptions(core.Options() & ~(eoTabsToSpaces | eoSmartTabs));
    core.ExecuteCommand(ecTab);
    EXPECT_EQ(core.LineText(2), "        \t");
    EXPECT_EQ(core.CharToColumn(2, 10), 17);
    EXPECT_EQ(core.ColumnToChar(2, 12), 9);

    // Up and Down keep the screen column across the tab.
    core.SetCaretXY({10, 2});
    Key(vk::Up);
    EXPECT_EQ(core.CaretXY(), (TBufferCoord{17, 1}));
    Key(vk::Down);
    EXPECT_EQ(core.CaretXY(), (TBufferCoord{10, 2}));
}

TEST_F(CoreTest, DropSelectionMovesTextAsOneStep) {
    Load({"one two three"});
    core.SetSelection({1, 1}, {5, 1});
    core.DropSelection({9, 1}, true);
    EXPECT_EQ(Text(), Lines{"two one three"});
    EXPECT_EQ(core.SelText(), "one ");
    core.Undo();
    EXPECT_EQ(Text(), Lines{"one two three"});
    core.DropSelection({3, 1}, true);  // inside the selection: nothing
    EXPECT_EQ(Text(), Lines{"one two three"});
}

// Dropping right at either end of the selection puts the text back where it was.
TEST_F(CoreTest, DropSelectionAtItsOwnEndsKeepsTheText) {
    struct TCase {
        TBufferCoord Anchor, End, Target;
    };
    const TCase cases[] = {
        {{1, 1}, {5, 1}, {5, 1}},  // one line, at its end
        {{1, 1}, {5, 1}, {1, 1}},  // one line, at its start
        {{5, 1}, {3, 2}, {3, 2}},  // two lines, at the end
        {{5, 1}, {3, 2}, {5, 1}},  // two lines, at the start
    };
    for (const auto& c : cases) {
        core.Clear();
        Load({"one two three", "four five"});
        core.SetSelection(c.Anchor, c.End);
        const std::string selected = core.SelText();
        core.DropSelection(c.Target, true);
        EXPECT_EQ(Text(), (Lines{"one two three", "four five"})) << c.Target.Char << "," << c.Target.Line;
        EXPECT_EQ(core.SelText(), selected);
    }
}

}  // namespace
}  // namespace pindle
