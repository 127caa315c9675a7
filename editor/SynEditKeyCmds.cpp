#include "editor/SynEditKeyCmds.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

namespace pindle {

namespace {

struct TCommandName {
    TSynEditorCommand Command;
    std::string_view Ident;
};

constexpr TCommandName CommandNames[] = {
    {ecNone, "ecNone"},
    {ecLeft, "ecLeft"},
    {ecRight, "ecRight"},
    {ecUp, "ecUp"},
    {ecDown, "ecDown"},
    {ecWordLeft, "ecWordLeft"},
    {ecWordRight, "ecWordRight"},
    {ecLineStart, "ecLineStart"},
    {ecLineEnd, "ecLineEnd"},
    {ecPageUp, "ecPageUp"},
    {ecPageDown, "ecPageDown"},
    {ecPageTop, "ecPageTop"},
    {ecPageBottom, "ecPageBottom"},
    {ecEditorTop, "ecEditorTop"},
    {ecEditorBottom, "ecEditorBottom"},
    {ecSelLeft, "ecSelLeft"},
    {ecSelRight, "ecSelRight"},
    {ecSelUp, "ecSelUp"},
    {ecSelDown, "ecSelDown"},
    {ecSelWordLeft, "ecSelWordLeft"},
    {ecSelWordRight, "ecSelWordRight"},
    {ecSelLineStart, "ecSelLineStart"},
    {ecSelLineEnd, "ecSelLineEnd"},
    {ecSelPageUp, "ecSelPageUp"},
    {ecSelPageDown, "ecSelPageDown"},
    {ecSelPageTop, "ecSelPageTop"},
    {ecSelPageBottom, "ecSelPageBottom"},
    {ecSelEditorTop, "ecSelEditorTop"},
    {ecSelEditorBottom, "ecSelEditorBottom"},
    {ecSelectAll, "ecSelectAll"},
    {ecScrollUp, "ecScrollUp"},
    {ecScrollDown, "ecScrollDown"},
    {ecGotoMarker0, "ecGotoMarker0"},
    {ecGotoMarker1, "ecGotoMarker1"},
    {ecGotoMarker2, "ecGotoMarker2"},
    {ecGotoMarker3, "ecGotoMarker3"},
    {ecGotoMarker4, "ecGotoMarker4"},
    {ecGotoMarker5, "ecGotoMarker5"},
    {ecGotoMarker6, "ecGotoMarker6"},
    {ecGotoMarker7, "ecGotoMarker7"},
    {ecGotoMarker8, "ecGotoMarker8"},
    {ecGotoMarker9, "ecGotoMarker9"},
    {ecSetMarker0, "ecSetMarker0"},
    {ecSetMarker1, "ecSetMarker1"},
    {ecSetMarker2, "ecSetMarker2"},
    {ecSetMarker3, "ecSetMarker3"},
    {ecSetMarker4, "ecSetMarker4"},
    {ecSetMarker5, "ecSetMarker5"},
    {ecSetMarker6, "ecSetMarker6"},
    {ecSetMarker7, "ecSetMarker7"},
    {ecSetMarker8, "ecSetMarker8"},
    {ecSetMarker9, "ecSetMarker9"},
    {ecToggleMode, "ecToggleMode"},
    {ecNormalSelect, "ecNormalSelect"},
    {ecColumnSelect, "ecColumnSelect"},
    {ecLineSelect, "ecLineSelect"},
    {ecMatchBracket, "ecMatchBracket"},
    {ecDeleteLastChar, "ecDeleteLastChar"},
    {ecDeleteChar, "ecDeleteChar"},
    {ecDeleteWord, "ecDeleteWord"},
    {ecDeleteLastWord, "ecDeleteLastWord"},
    {ecDeleteLine, "ecDeleteLine"},
    {ecDeleteEOL, "ecDeleteEOL"},
    {ecLineBreak, "ecLineBreak"},
    {ecInsertLine, "ecInsertLine"},
    {ecChar, "ecChar"},
    {ecTab, "ecTab"},
    {ecShiftTab, "ecShiftTab"},
    {ecBlockIndent, "ecBlockIndent"},
    {ecBlockUnindent, "ecBlockUnindent"},
    {ecUndo, "ecUndo"},
    {ecRedo, "ecRedo"},
    {ecCut, "ecCut"},
    {ecCopy, "ecCopy"},
    {ecPaste, "ecPaste"},
};

template <typename Found>
void ForEachName(Found&& found) {
    for (const auto& entry : CommandNames)
        if (found(entry)) return;
}

constexpr TShortCut Key(std::uint8_t key, TShortCut modifiers = scNone) noexcept {
    return static_cast<TShortCut>(key | modifiers);
}

constexpr TShortCut ShiftCtrl = scShift | scCtrl;

}  // namespace

std::string_view EditorCommandToIdent(TSynEditorCommand command) noexcept {
    std::string_view ident;
    ForEachName([&](const TCommandName& entry) {
        if (entry.Command != command) return false;
        ident = entry.Ident;
        return true;
    });
    return ident;
}

std::optional<TSynEditorCommand> IdentToEditorCommand(std::string_view ident) noexcept {
    std::optional<TSynEditorCommand> command;
    ForEachName([&](const TCommandName& entry) {
        if (entry.Ident != ident) return false;
        command = entry.Command;
        return true;
    });
    return command;
}

void TSynEditKeyStrokes::CheckUnique(TShortCut shortCut, TShortCut shortCut2, int exceptIndex) const {
    for (int i = 0; i < Count(); ++i) {
        const auto& row = rows_[static_cast<std::size_t>(i)];
        if (i != exceptIndex && row.ShortCut == shortCut && row.ShortCut2 == shortCut2)
            throw ESynKeyError("Shortcut already exists");
    }
}

void TSynEditKeyStrokes::Add(TSynEditorCommand command, TShortCut shortCut, TShortCut shortCut2) {
    CheckUnique(shortCut, shortCut2, -1);
    rows_.push_back({command, shortCut, shortCut2});
}

void TSynEditKeyStrokes::SetShortCuts(int index, TShortCut shortCut, TShortCut shortCut2) {
    auto& row = rows_.at(static_cast<std::size_t>(index));
    CheckUnique(shortCut, shortCut2, index);
    row.ShortCut = shortCut;
    row.ShortCut2 = shortCut2;
}

void TSynEditKeyStrokes::Delete(int index) {
    if (index < 0 || index >= Count()) throw std::out_of_range("keystroke row " + std::to_string(index));
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
}

int TSynEditKeyStrokes::FindShortcut(TShortCut shortCut) const noexcept {
    return FindShortcut2(shortCut, scNone);
}

int TSynEditKeyStrokes::FindShortcut2(TShortCut shortCut, TShortCut shortCut2) const noexcept {
    for (int i = 0; i < Count(); ++i) {
        const auto& row = rows_[static_cast<std::size_t>(i)];
        if (row.ShortCut == shortCut && row.ShortCut2 == shortCut2) return i;
    }
    return -1;
}

void TSynEditKeyStrokes::ResetDefaults() {
    rows_.clear();
    const std::pair<TSynEditorCommand, TShortCut> defaults[] = {
        {ecUp, Key(vk::Up)},
        {ecSelUp, Key(vk::Up, scShift)},
        {ecScrollUp, Key(vk::Up, scCtrl)},
        {ecDown, Key(vk::Down)},
        {ecSelDown, Key(vk::Down, scShift)},
        {ecScrollDown, Key(vk::Down, scCtrl)},
        {ecLeft, Key(vk::Left)},
        {ecSelLeft, Key(vk::Left, scShift)},
        {ecWordLeft, Key(vk::Left, scCtrl)},
        {ecSelWordLeft, Key(vk::Left, ShiftCtrl)},
        {ecRight, Key(vk::Right)},
        {ecSelRight, Key(vk::Right, scShift)},
        {ecWordRight, Key(vk::Right, scCtrl)},
        {ecSelWordRight, Key(vk::Right, ShiftCtrl)},
        {ecPageDown, Key(vk::Next)},
        {ecSelPageDown, Key(vk::Next, scShift)},
        {ecPageBottom, Key(vk::Next, scCtrl)},
        {ecSelPageBottom, Key(vk::Next, ShiftCtrl)},
        {ecPageUp, Key(vk::Prior)},
        {ecSelPageUp, Key(vk::Prior, scShift)},
        {ecPageTop, Key(vk::Prior, scCtrl)},
        {ecSelPageTop, Key(vk::Prior, ShiftCtrl)},
        {ecLineStart, Key(vk::Home)},
        {ecSelLineStart, Key(vk::Home, scShift)},
        {ecEditorTop, Key(vk::Home, scCtrl)},
        {ecSelEditorTop, Key(vk::Home, ShiftCtrl)},
        {ecLineEnd, Key(vk::End)},
        {ecSelLineEnd, Key(vk::End, scShift)},
        {ecEditorBottom, Key(vk::End, scCtrl)},
        {ecSelEditorBottom, Key(vk::End, ShiftCtrl)},
        {ecToggleMode, Key(vk::Insert)},
        {ecCopy, Key(vk::Insert, scCtrl)},
        {ecCut, Key(vk::Delete, scShift)},
        {ecPaste, Key(vk::Insert, scShift)},
        {ecDeleteChar, Key(vk::Delete)},
        {ecDeleteLastChar, Key(vk::Back)},
        {ecDeleteLastWord, Key(vk::Back, scCtrl)},
        {ecUndo, Key(vk::Back, scAlt)},
        {ecRedo, Key(vk::Back, scAlt | scShift)},
        {ecLineBreak, Key(vk::Return)},
        {ecSelectAll, Key('A', scCtrl)},
        {ecCopy, Key('C', scCtrl)},
        {ecPaste, Key('V', scCtrl)},
        {ecCut, Key('X', scCtrl)},
        {ecBlockIndent, Key('I', ShiftCtrl)},
        {ecBlockUnindent, Key('U', ShiftCtrl)},
        {ecLineBreak, Key('M', scCtrl)},
        {ecInsertLine, Key('N', scCtrl)},
        {ecDeleteWord, Key('T', scCtrl)},
        {ecDeleteLine, Key('Y', scCtrl)},
        {ecDeleteEOL, Key('Y', ShiftCtrl)},
        {ecUndo, Key('Z', scCtrl)},
        {ecRedo, Key('Z', ShiftCtrl)},
        {ecGotoMarker0, Key('0', scCtrl)},
        {ecGotoMarker1, Key('1', scCtrl)},
        {ecGotoMarker2, Key('2', scCtrl)},
        {ecGotoMarker3, Key('3', scCtrl)},
        {ecGotoMarker4, Key('4', scCtrl)},
        {ecGotoMarker5, Key('5', scCtrl)},
        {ecGotoMarker6, Key('6', scCtrl)},
        {ecGotoMarker7, Key('7', scCtrl)},
        {ecGotoMarker8, Key('8', scCtrl)},
        {ecGotoMarker9, Key('9', scCtrl)},
        {ecSetMarker0, Key('0', ShiftCtrl)},
        {ecSetMarker1, Key('1', ShiftCtrl)},
        {ecSetMarker2, Key('2', ShiftCtrl)},
        {ecSetMarker3, Key('3', ShiftCtrl)},
        {ecSetMarker4, Key('4', ShiftCtrl)},
        {ecSetMarker5, Key('5', ShiftCtrl)},
        {ecSetMarker6, Key('6', ShiftCtrl)},
        {ecSetMarker7, Key('7', ShiftCtrl)},
        {ecSetMarker8, Key('8', ShiftCtrl)},
        {ecSetMarker9, Key('9', ShiftCtrl)},
        {ecNormalSelect, Key('N', ShiftCtrl)},
        {ecColumnSelect, Key('C', ShiftCtrl)},
        {ecLineSelect, Key('L', ShiftCtrl)},
        {ecTab, Key(vk::Tab)},
        {ecShiftTab, Key(vk::Tab, scShift)},
        {ecMatchBracket, Key('B', ShiftCtrl)},
    };
    for (const auto& [command, shortCut] : defaults) Add(command, shortCut);
}

TSynEditorCommand TSynKeyTranslator::Translate(const TSynEditKeyStrokes& table, TShortCut keystroke) noexcept {
    int row = -1;
    if (pending_ != scNone) row = table.FindShortcut2(pending_, keystroke);
    if (row < 0) row = table.FindShortcut(keystroke);
    if (row >= 0) {
        pending_ = scNone;
        return table.Items(row).Command;
    }
    // Any key with a code in this range may start a two-keystroke sequence, even one the table does
    // not have yet: the table can change between two key presses.
    const std::uint8_t key = KeyOfShortCut(keystroke);
    pending_ = (key >= 0x1E && key <= 0x91) ? keystroke : scNone;
    return ecNone;
}

}  // namespace pindle
