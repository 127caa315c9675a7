#include "editor/SynEditKeyCmds.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace pindle {
namespace {

struct TKeyRow {
    std::uint8_t Key;
    TShortCut Modifiers;
    const char* Command;
};

constexpr TShortCut S = scShift;
constexpr TShortCut C = scCtrl;
constexpr TShortCut SC = scShift | scCtrl;
constexpr TShortCut A = scAlt;

// The standard table, written out key by key as a user reads it.
const TKeyRow StandardRows[] = {
    {vk::Up, 0, "ecUp"}, {vk::Up, S, "ecSelUp"}, {vk::Up, C, "ecScrollUp"},
    {vk::Down, 0, "ecDown"}, {vk::Down, S, "ecSelDown"}, {vk::Down, C, "ecScrollDown"},
    {vk::Left, 0, "ecLeft"}, {vk::Left, S, "ecSelLeft"}, {vk::Left, C, "ecWordLeft"}, {vk::Left, SC, "ecSelWordLeft"},
    {vk::Right, 0, "ecRight"}, {vk::Right, S, "ecSelRight"}, {vk::Right, C, "ecWordRight"}, {vk::Right, SC, "ecSelWordRight"},
    {vk::Prior, 0, "ecPageUp"}, {vk::Prior, S, "ecSelPageUp"}, {vk::Prior, C, "ecPageTop"}, {vk::Prior, SC, "ecSelPageTop"},
    {vk::Next, 0, "ecPageDown"}, {vk::Next, S, "ecSelPageDown"}, {vk::Next, C, "ecPageBottom"}, {vk::Next, SC, "ecSelPageBottom"},
    {vk::Home, 0, "ecLineStart"}, {vk::Home, S, "ecSelLineStart"}, {vk::Home, C, "ecEditorTop"}, {vk::Home, SC, "ecSelEditorTop"},
    {vk::End, 0, "ecLineEnd"}, {vk::End, S, "ecSelLineEnd"}, {vk::End, C, "ecEditorBottom"}, {vk::End, SC, "ecSelEditorBottom"},
    {vk::Insert, 0, "ecToggleMode"}, {vk::Insert, S, "ecPaste"}, {vk::Insert, C, "ecCopy"},
    {vk::Delete, 0, "ecDeleteChar"}, {vk::Delete, S, "ecCut"},
    {vk::Back, 0, "ecDeleteLastChar"}, {vk::Back, C, "ecDeleteLastWord"},
    {vk::Return, 0, "ecLineBreak"},
    {vk::Tab, 0, "ecTab"}, {vk::Tab, S, "ecShiftTab"},
    {'A', C, "ecSelectAll"},
    {'B', SC, "ecMatchBracket"},
    {'C', C, "ecCopy"}, {'C', SC, "ecColumnSelect"},
    {'I', SC, "ecBlockIndent"},
    {'L', SC, "ecLineSelect"},
    {'M', C, "ecLineBreak"},
    {'N', C, "ecInsertLine"}, {'N', SC, "ecNormalSelect"},
    {'T', C, "ecDeleteWord"},
    {'U', SC, "ecBlockUnindent"},
    {'V', C, "ecPaste"},
    {'X', C, "ecCut"},
    {'Y', C, "ecDeleteLine"}, {'Y', SC, "ecDeleteEOL"},
    {'Z', C, "ecUndo"}, {'Z', SC, "ecRedo"},
    {'0', C, "ecGotoMarker0"}, {'1', C, "ecGotoMarker1"}, {'2', C, "ecGotoMarker2"}, {'3', C, "ecGotoMarker3"},
    {'4', C, "ecGotoMarker4"}, {'5', C, "ecGotoMarker5"}, {'6', C, "ecGotoMarker6"}, {'7', C, "ecGotoMarker7"},
    {'8', C, "ecGotoMarker8"}, {'9', C, "ecGotoMarker9"},
    {'0', SC, "ecSetMarker0"}, {'1', SC, "ecSetMarker1"}, {'2', SC, "ecSetMarker2"}, {'3', SC, "ecSetMarker3"},
    {'4', SC, "ecSetMarker4"}, {'5', SC, "ecSetMarker5"}, {'6', SC, "ecSetMarker6"}, {'7', SC, "ecSetMarker7"},
    {'8', SC, "ecSetMarker8"}, {'9', SC, "ecSetMarker9"},
    {vk::Back, A, "ecUndo"}, {vk::Back, S | A, "ecRedo"},
};

TSynEditKeyStrokes StandardTable() {
    TSynEditKeyStrokes table;
    table.ResetDefaults();
    return table;
}

TEST(SynEditKeyStrokes, StandardTableHas79RowsOfSingleKeystrokes) {
    const auto table = StandardTable();
    ASSERT_EQ(table.Count(), 79);
    ASSERT_EQ(std::size(StandardRows), 79u);
    std::set<TShortCut> seen;
    for (const auto& row : table.Rows()) {
        EXPECT_EQ(row.ShortCut2, scNone);
        EXPECT_TRUE(seen.insert(row.ShortCut).second) << "duplicate keystroke " << row.ShortCut;
    }
}

TEST(SynEditKeyStrokes, EveryRowReachesItsCommandThroughTheLookup) {
    const auto table = StandardTable();
    for (const auto& row : StandardRows) {
        TSynKeyTranslator translator;
        const TShortCut keystroke = static_cast<TShortCut>(row.Key | row.Modifiers);
        const TSynEditorCommand command = translator.Translate(table, keystroke);
        EXPECT_EQ(EditorCommandToIdent(command), row.Command) << "keystroke 0x" << std::hex << keystroke;
        EXPECT_EQ(translator.Pending(), scNone);
    }
}

TEST(SynEditKeyStrokes, CommandIdentsRoundTrip) {
    for (const auto& row : StandardRows) {
        const auto command = IdentToEditorCommand(row.Command);
        ASSERT_TRUE(command.has_value()) << row.Command;
        EXPECT_EQ(EditorCommandToIdent(*command), row.Command);
    }
    EXPECT_FALSE(IdentToEditorCommand("ecNoSuchThing").has_value());
    EXPECT_EQ(EditorCommandToIdent(9999), "");
}

TEST(SynEditKeyStrokes, KeysOutsideTheTableGiveNoCommand) {
    const auto table = StandardTable();
    const TShortCut unbound[] = {'A', static_cast<TShortCut>('Q' | C), static_cast<TShortCut>(vk::Up | SC),
                                 static_cast<TShortCut>(vk::Delete | C), static_cast<TShortCut>(vk::Return | S)};
    for (const TShortCut keystroke : unbound) {
        TSynKeyTranslator translator;
        EXPECT_EQ(translator.Translate(table, keystroke), ecNone) << keystroke;
    }
}

TEST(SynEditKeyStrokes, DuplicateRowIsRefused) {
    auto table = StandardTable();
    try {
        table.Add(ecRedo, static_cast<TShortCut>('Z' | C));
        FAIL() << "a duplicate row was accepted";
    } catch (const ESynKeyError& error) {
        EXPECT_STREQ(error.what(), "Shortcut already exists");
    }
    EXPECT_EQ(table.Count(), 79);

    // Changing a row onto another row's keystrokes is refused and leaves the row as it was.
    const int undoRow = table.FindShortcut(static_cast<TShortCut>('Z' | C));
    EXPECT_THROW(table.SetShortCuts(undoRow, static_cast<TShortCut>('Y' | C)), ESynKeyError);
    EXPECT_EQ(table.Items(undoRow).ShortCut, static_cast<TShortCut>('Z' | C));
    // Setting a row to its own keystrokes is no duplicate.
    EXPECT_NO_THROW(table.SetShortCuts(undoRow, static_cast<TShortCut>('Z' | C)));

    // The same first keystroke with a different second one is a different row.
    table.Add(ecDeleteLine, static_cast<TShortCut>('K' | C), 'L');
    EXPECT_NO_THROW(table.Add(ecDeleteEOL, static_cast<TShortCut>('K' | C), 'E'));
    EXPECT_THROW(table.Add(ecUndo, static_cast<TShortCut>('K' | C), 'L'), ESynKeyError);
}

TEST(SynEditKeyStrokes, DeleteOutsideTheTableThrowsAndKeepsEveryRow) {
    auto table = StandardTable();
    const std::vector<TSynEditKeyStroke> before = table.Rows();
    for (const int index : {-1, table.Count(), table.Count() + 5}) {
        EXPECT_THROW(table.Delete(index), std::out_of_range) << index;
        EXPECT_EQ(table.Rows(), before) << index;
    }
    table.Delete(table.Count() - 1);
    EXPECT_EQ(table.Count(), 78);
}

class PendingKeystroke : public ::testing::Test {
protected:
    void SetUp() override {
        table.ResetDefaults();
        table.Add(ecDeleteLine, CtrlK, 'L');
    }
    static constexpr TShortCut CtrlK = 'K' | scCtrl;
    TSynEditKeyStrokes table;
    TSynKeyTranslator translator;
};

TEST_F(PendingKeystroke, SecondKeystrokeCompletesTheSequence) {
    EXPECT_EQ(translator.Translate(table, CtrlK), ecNone);
    EXPECT_EQ(translator.Pending(), CtrlK);
    EXPECT_EQ(translator.Translate(table, 'L'), ecDeleteLine);
    EXPECT_EQ(translator.Pending(), scNone);
    // Without the first keystroke, L alone is no command.
    EXPECT_EQ(translator.Translate(table, 'L'), ecNone);
}

TEST_F(PendingKeystroke, UnmatchedSecondKeystrokeFallsBackToASingleRow) {
    ASSERT_EQ(translator.Translate(table, CtrlK), ecNone);
    EXPECT_EQ(translator.Translate(table, vk::Up), ecUp);
    EXPECT_EQ(translator.Pending(), scNone);
}

TEST_F(PendingKeystroke, OnlyKeyCodesFrom30To145BecomePending) {
    struct TCase {
        TShortCut Keystroke;
        bool BecomesPending;
    };
    const TCase cases[] = {
        {0x1D, false}, {0x1E, true}, {'K' | scCtrl, true}, {0x70 /* F1 */, true},
        {0x91, true},  {0x92, false}, {0xBA, false}, {vk::Back | scShift, false}, {vk::Return | scCtrl, false},
    };
    for (const auto& c : cases) {
        TSynKeyTranslator fresh;
        ASSERT_EQ(fresh.Translate(table, c.Keystroke), ecNone) << c.Keystroke;
        EXPECT_EQ(fresh.Pending() == c.Keystroke, c.BecomesPending) << std::hex << c.Keystroke;
        if (!c.BecomesPending) {
            EXPECT_EQ(fresh.Pending(), scNone);
        }
    }
}

TEST_F(PendingKeystroke, AKeyOutsideTheRangeCancelsTheSequence) {
    ASSERT_EQ(translator.Translate(table, CtrlK), ecNone);
    EXPECT_EQ(translator.Translate(table, vk::Back | scShift), ecNone);  // unbound, code 8
    EXPECT_EQ(translator.Translate(table, 'L'), ecNone);
}

TEST_F(PendingKeystroke, AnotherUnboundKeyReplacesThePendingOne) {
    ASSERT_EQ(translator.Translate(table, 'Q' | scCtrl), ecNone);
    ASSERT_EQ(translator.Translate(table, CtrlK), ecNone);
    EXPECT_EQ(translator.Translate(table, 'L'), ecDeleteLine);
}

}  // namespace
}  // namespace pindle
