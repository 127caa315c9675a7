#include "editor/widget/SynEditKeyMap.h"

#include <utility>

namespace pindle {
namespace {

// Windows virtual-key codes the editor cares about.
enum : std::uint8_t {
    vkBack = 0x08, vkTab = 0x09, vkClear = 0x0C, vkReturn = 0x0D, vkPause = 0x13, vkCapital = 0x14,
    vkEscape = 0x1B, vkSpace = 0x20, vkPrior = 0x21, vkNext = 0x22, vkEnd = 0x23, vkHome = 0x24,
    vkLeft = 0x25, vkUp = 0x26, vkRight = 0x27, vkDown = 0x28, vkPrint = 0x2C, vkInsert = 0x2D,
    vkDelete = 0x2E, vkHelp = 0x2F, vkApps = 0x5D, vkNumpad0 = 0x60, vkMultiply = 0x6A, vkAdd = 0x6B,
    vkSubtract = 0x6D, vkDecimal = 0x6E, vkDivide = 0x6F, vkF1 = 0x70, vkNumLock = 0x90,
    vkScroll = 0x91, vkOem1 = 0xBA, vkOemPlus = 0xBB, vkOemComma = 0xBC, vkOemMinus = 0xBD,
    vkOemPeriod = 0xBE, vkOem2 = 0xBF, vkOem3 = 0xC0, vkOem4 = 0xDB, vkOem5 = 0xDC, vkOem6 = 0xDD,
    vkOem7 = 0xDE,
};

// Keys that are neither letters, digits nor function keys.
constexpr std::pair<int, std::uint8_t> kNamedKeys[] = {
    {Qt::Key_Backspace, vkBack}, {Qt::Key_Tab, vkTab}, {Qt::Key_Backtab, vkTab},
    {Qt::Key_Clear, vkClear}, {Qt::Key_Return, vkReturn}, {Qt::Key_Enter, vkReturn},
    {Qt::Key_Pause, vkPause}, {Qt::Key_CapsLock, vkCapital}, {Qt::Key_Escape, vkEscape},
    {Qt::Key_Space, vkSpace}, {Qt::Key_PageUp, vkPrior}, {Qt::Key_PageDown, vkNext},
    {Qt::Key_End, vkEnd}, {Qt::Key_Home, vkHome}, {Qt::Key_Left, vkLeft}, {Qt::Key_Up, vkUp},
    {Qt::Key_Right, vkRight}, {Qt::Key_Down, vkDown}, {Qt::Key_Print, vkPrint},
    {Qt::Key_Insert, vkInsert}, {Qt::Key_Delete, vkDelete}, {Qt::Key_Help, vkHelp},
    {Qt::Key_Menu, vkApps}, {Qt::Key_NumLock, vkNumLock}, {Qt::Key_ScrollLock, vkScroll},
    // The punctuation keys of a US keyboard, unshifted and shifted.
    {Qt::Key_Semicolon, vkOem1}, {Qt::Key_Colon, vkOem1}, {Qt::Key_Equal, vkOemPlus},
    {Qt::Key_Plus, vkOemPlus}, {Qt::Key_Comma, vkOemComma}, {Qt::Key_Less, vkOemComma},
    {Qt::Key_Minus, vkOemMinus}, {Qt::Key_Underscore, vkOemMinus}, {Qt::Key_Period, vkOemPeriod},
    {Qt::Key_Greater, vkOemPeriod}, {Qt::Key_Slash, vkOem2}, {Qt::Key_Question, vkOem2},
    {Qt::Key_QuoteLeft, vkOem3}, {Qt::Key_AsciiTilde, vkOem3}, {Qt::Key_BracketLeft, vkOem4},
    {Qt::Key_BraceLeft, vkOem4}, {Qt::Key_Backslash, vkOem5}, {Qt::Key_Bar, vkOem5},
    {Qt::Key_BracketRight, vkOem6}, {Qt::Key_BraceRight, vkOem6}, {Qt::Key_Apostrophe, vkOem7},
    {Qt::Key_QuoteDbl, vkOem7},
    // Shift+digit on a US keyboard.
    {Qt::Key_ParenRight, '0'}, {Qt::Key_Exclam, '1'}, {Qt::Key_At, '2'}, {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'}, {Qt::Key_Percent, '5'}, {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'}, {Qt::Key_ParenLeft, '9'},
};

std::uint8_t KeypadKeyOf(int qtKey) noexcept
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return static_cast<std::uint8_t>(vkNumpad0 + (qtKey - Qt::Key_0));
    switch (qtKey) {
    case Qt::Key_Asterisk: return vkMultiply;
    case Qt::Key_Plus: return vkAdd;
    case Qt::Key_Minus: return vkSubtract;
    case Qt::Key_Period: case Qt::Key_Comma: return vkDecimal;
    case Qt::Key_Slash: return vkDivide;
    default: return 0;
    }
}

}  // namespace

std::uint8_t VirtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers) noexcept
{
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        if (const std::uint8_t code = KeypadKeyOf(qtKey))
            return code;
    }
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return static_cast<std::uint8_t>(qtKey);  // Qt uses the ASCII capitals and digits, as Windows does
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return static_cast<std::uint8_t>(vkF1 + (qtKey - Qt::Key_F1));
    if (qtKey == Qt::Key_Asterisk)
        return modifiers.testFlag(Qt::ShiftModifier) ? std::uint8_t{'8'} : std::uint8_t{vkMultiply};
    for (const auto& [key, code] : kNamedKeys) {
        if (key == qtKey)
            return code;
    }
    return 0;
}

TShortCut KeystrokeOf(int qtKey, Qt::KeyboardModifiers modifiers) noexcept
{
    const std::uint8_t code = VirtualKeyOf(qtKey, modifiers);
    if (code == 0)
        return 0;
    TShortCut keystroke = code;
    // Backtab is Qt's name for Shift+Tab; some platforms report it without the Shift flag.
    if (modifiers.testFlag(Qt::ShiftModifier) || qtKey == Qt::Key_Backtab)
        keystroke |= scShift;
    if (modifiers.testFlag(Qt::ControlModifier))
        keystroke |= scCtrl;
    if (modifiers.testFlag(Qt::AltModifier))
        keystroke |= scAlt;
    return keystroke;
}

}  // namespace pindle
