#include "editor/widget/SynEditKeyMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace pindle {
namespace {

struct TKeyCase {
    const char* Name;
    int Key;
    Qt::KeyboardModifiers Modifiers;
    TShortCut Expected;
};

class KeystrokeOfKey : public ::testing::TestWithParam<TKeyCase> {};

TEST_P(KeystrokeOfKey, GivesTheVirtualKeyWithModifierFlags)
{
    const TKeyCase& c = GetParam();
    EXPECT_EQ(KeystrokeOf(c.Key, c.Modifiers), c.Expected) << c.Name;
}

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kAlt = Qt::AltModifier;

INSTANTIATE_TEST_SUITE_P(
    Keys, KeystrokeOfKey,
    ::testing::Values(
        TKeyCase{"Up", Qt::Key_Up, kNone, vk::Up},
        TKeyCase{"Ctrl+Shift+End", Qt::Key_End, kCtrl | kShift, TShortCut(vk::End | scCtrl | scShift)},
        TKeyCase{"PgUp", Qt::Key_PageUp, kNone, vk::Prior},
        TKeyCase{"Shift+Ins", Qt::Key_Insert, kShift, TShortCut(vk::Insert | scShift)},
        TKeyCase{"Shift+Del", Qt::Key_Delete, kShift, TShortCut(vk::Delete | scShift)},
        TKeyCase{"Alt+BkSp", Qt::Key_Backspace, kAlt, TShortCut(vk::Back | scAlt)},
        TKeyCase{"Shift+Alt+BkSp", Qt::Key_Backspace, kAlt | kShift, TShortCut(vk::Back | scAlt | scShift)},
        TKeyCase{"Enter on the keypad", Qt::Key_Enter, Qt::KeypadModifier, TShortCut(vk::Return)},
        TKeyCase{"Backtab is Shift+Tab", Qt::Key_Backtab, kNone, TShortCut(vk::Tab | scShift)},
        TKeyCase{"Ctrl+Z", Qt::Key_Z, kCtrl, TShortCut('Z' | scCtrl)},
        TKeyCase{"Ctrl+5", Qt::Key_5, kCtrl, TShortCut('5' | scCtrl)},
        // Qt reports Shift+digit as the shifted symbol; the bookmark rows need the digit key.
        TKeyCase{"Ctrl+Shift+1 as Exclam", Qt::Key_Exclam, kCtrl | kShift, TShortCut('1' | scCtrl | scShift)},
        TKeyCase{"Ctrl+Shift+0 as ParenRight", Qt::Key_ParenRight, kCtrl | kShift, TShortCut('0' | scCtrl | scShift)},
        TKeyCase{"Ctrl+Shift+8 as Asterisk", Qt::Key_Asterisk, kCtrl | kShift, TShortCut('8' | scCtrl | scShift)},
        TKeyCase{"Keypad 7", Qt::Key_7, Qt::KeypadModifier, TShortCut(0x67)},
        TKeyCase{"Keypad *", Qt::Key_Asterisk, Qt::KeypadModifier, TShortCut(0x6A)},
        TKeyCase{"F1", Qt::Key_F1, kNone, TShortCut(0x70)},
        TKeyCase{"Semicolon", Qt::Key_Semicolon, kNone, TShortCut(0xBA)},
        TKeyCase{"Shift alone has no code", Qt::Key_Shift, kShift, TShortCut(0)}),
    [](const ::testing::TestParamInfo<TKeyCase>& info) { return "Case" + std::to_string(info.index); });

// Every row of the standard table must be reachable from some Qt key press.
TEST(KeystrokeOfKey, ReachesEveryRowOfTheStandardTable)
{
    TSynEditKeyStrokes table;
    table.ResetDefaults();
    std::vector<TShortCut> reachable;
    const int keys[] = {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right, Qt::Key_PageUp, Qt::Key_PageDown,
                        Qt::Key_Home, Qt::Key_End, Qt::Key_Insert, Qt::Key_Delete, Qt::Key_Backspace,
                        Qt::Key_Return, Qt::Key_Tab};
    const Qt::KeyboardModifiers modifierSets[] = {kNone, kShift, kCtrl, kCtrl | kShift, kAlt, kAlt | kShift};
    for (const Qt::KeyboardModifiers modifiers : modifierSets) {
        for (const int key : keys)
            reachable.push_back(KeystrokeOf(key, modifiers));
        for (int key = Qt::Key_A; key <= Qt::Key_Z; ++key)
            reachable.push_back(KeystrokeOf(key, modifiers));
        for (int key = Qt::Key_0; key <= Qt::Key_9; ++key)
            reachable.push_back(KeystrokeOf(key, modifiers));
    }
    for (const TSynEditKeyStroke& row : table.Rows())
        EXPECT_NE(std::find(reachable.begin(), reachable.end(), row.ShortCut), reachable.end())
            << EditorCommandToIdent(row.Command);
}

}  // namespace
}  // namespace pindle
