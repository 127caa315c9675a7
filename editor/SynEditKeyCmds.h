// The editor's commands and its keystroke table: which key (with which modifiers) runs which command,
// and the lookup that turns each key press into a command, including two-keystroke sequences.
#pragma once

#include "platform/Exceptions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pindle {

using TSynEditorCommand = std::uint16_t;

inline constexpr TSynEditorCommand ecNone = 0;

// Caret movement; each has an ecSel form that extends the selection instead of removing it.
inline constexpr TSynEditorCommand ecLeft = 1;
inline constexpr TSynEditorCommand ecRight = 2;
inline constexpr TSynEditorCommand ecUp = 3;
inline constexpr TSynEditorCommand ecDown = 4;
inline constexpr TSynEditorCommand ecWordLeft = 5;
inline constexpr TSynEditorCommand ecWordRight = 6;
inline constexpr TSynEditorCommand ecLineStart = 7;
inline constexpr TSynEditorCommand ecLineEnd = 8;
inline constexpr TSynEditorCommand ecPageUp = 9;
inline constexpr TSynEditorCommand ecPageDown = 10;
inline constexpr TSynEditorCommand ecPageTop = 11;
inline constexpr TSynEditorCommand ecPageBottom = 12;
inline constexpr TSynEditorCommand ecEditorTop = 13;
inline constexpr TSynEditorCommand ecEditorBottom = 14;

// The selecting form of a movement command is the movement command plus this offset.
inline constexpr TSynEditorCommand ecSelection = 100;
inline constexpr TSynEditorCommand ecSelLeft = ecLeft + ecSelection;
inline constexpr TSynEditorCommand ecSelRight = ecRight + ecSelection;
inline constexpr TSynEditorCommand ecSelUp = ecUp + ecSelection;
inline constexpr TSynEditorCommand ecSelDown = ecDown + ecSelection;
inline constexpr TSynEditorCommand ecSelWordLeft = ecWordLeft + ecSelection;
inline constexpr TSynEditorCommand ecSelWordRight = ecWordRight + ecSelection;
inline constexpr TSynEditorCommand ecSelLineStart = ecLineStart + ecSelection;
inline constexpr TSynEditorCommand ecSelLineEnd = ecLineEnd + ecSelection;
inline constexpr TSynEditorCommand ecSelPageUp = ecPageUp + ecSelection;
inline constexpr TSynEditorCommand ecSelPageDown = ecPageDown + ecSelection;
inline constexpr TSynEditorCommand ecSelPageTop = ecPageTop + ecSelection;
inline constexpr TSynEditorCommand ecSelPageBottom = ecPageBottom + ecSelection;
inline constexpr TSynEditorCommand ecSelEditorTop = ecEditorTop + ecSelection;
inline constexpr TSynEditorCommand ecSelEditorBottom = ecEditorBottom + ecSelection;

inline constexpr TSynEditorCommand ecSelectAll = 199;

inline constexpr TSynEditorCommand ecScrollUp = 211;
inline constexpr TSynEditorCommand ecScrollDown = 212;

inline constexpr TSynEditorCommand ecGotoMarker0 = 301;  // ecGotoMarker0 + n goes to bookmark n
inline constexpr TSynEditorCommand ecGotoMarker1 = 302;
inline constexpr TSynEditorCommand ecGotoMarker2 = 303;
inline constexpr TSynEditorCommand ecGotoMarker3 = 304;
inline constexpr TSynEditorCommand ecGotoMarker4 = 305;
inline constexpr TSynEditorCommand ecGotoMarker5 = 306;
inline constexpr TSynEditorCommand ecGotoMarker6 = 307;
inline constexpr TSynEditorCommand ecGotoMarker7 = 308;
inline constexpr TSynEditorCommand ecGotoMarker8 = 309;
inline constexpr TSynEditorCommand ecGotoMarker9 = 310;
inline constexpr TSynEditorCommand ecSetMarker0 = 351;  // ecSetMarker0 + n places bookmark n
inline constexpr TSynEditorCommand ecSetMarker1 = 352;
inline constexpr TSynEditorCommand ecSetMarker2 = 353;
inline constexpr TSynEditorCommand ecSetMarker3 = 354;
inline constexpr TSynEditorCommand ecSetMarker4 = 355;
inline constexpr TSynEditorCommand ecSetMarker5 = 356;
inline constexpr TSynEditorCommand ecSetMarker6 = 357;
inline constexpr TSynEditorCommand ecSetMarker7 = 358;
inline constexpr TSynEditorCommand ecSetMarker8 = 359;
inline constexpr TSynEditorCommand ecSetMarker9 = 360;

inline constexpr TSynEditorCommand ecToggleMode = 401;
inline constexpr TSynEditorCommand ecNormalSelect = 402;
inline constexpr TSynEditorCommand ecColumnSelect = 403;
inline constexpr TSynEditorCommand ecLineSelect = 404;
inline constexpr TSynEditorCommand ecMatchBracket = 405;

// Commands that change the text.
inline constexpr TSynEditorCommand ecDeleteLastChar = 501;
inline constexpr TSynEditorCommand ecDeleteChar = 502;
inline constexpr TSynEditorCommand ecDeleteWord = 503;
inline constexpr TSynEditorCommand ecDeleteLastWord = 504;
inline constexpr TSynEditorCommand ecDeleteLine = 505;
inline constexpr TSynEditorCommand ecDeleteEOL = 506;
inline constexpr TSynEditorCommand ecLineBreak = 507;
inline constexpr TSynEditorCommand ecInsertLine = 508;
inline constexpr TSynEditorCommand ecChar = 509;  // types the character given with the command
inline constexpr TSynEditorCommand ecTab = 510;
inline constexpr TSynEditorCommand ecShiftTab = 511;
inline constexpr TSynEditorCommand ecBlockIndent = 512;
inline constexpr TSynEditorCommand ecBlockUnindent = 513;
inline constexpr TSynEditorCommand ecUndo = 601;
inline constexpr TSynEditorCommand ecRedo = 602;
inline constexpr TSynEditorCommand ecCut = 603;
inline constexpr TSynEditorCommand ecCopy = 604;
inline constexpr TSynEditorCommand ecPaste = 605;

// The identifier of a command ("ecUp"), as the window description names it; "" for an unknown code.
[[nodiscard]] std::string_view EditorCommandToIdent(TSynEditorCommand command) noexcept;
// The command of an identifier, or nothing when no command has that name.
[[nodiscard]] std::optional<TSynEditorCommand> IdentToEditorCommand(std::string_view ident) noexcept;

// A keystroke is one 16-bit number: the key's virtual-key code in the low byte, plus these flags.
using TShortCut = std::uint16_t;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;
inline constexpr TShortCut scNone = 0;

[[nodiscard]] constexpr std::uint8_t KeyOfShortCut(TShortCut shortCut) noexcept {
    return static_cast<std::uint8_t>(shortCut & 0xFF);
}

// Virtual-key codes of the keys the default table names (letters and digits are their ASCII codes).
namespace vk {
inline constexpr std::uint8_t Back = 0x08;
inline constexpr std::uint8_t Tab = 0x09;
inline constexpr std::uint8_t Return = 0x0D;
inline constexpr std::uint8_t Prior = 0x21;
inline constexpr std::uint8_t Next = 0x22;
inline constexpr std::uint8_t End = 0x23;
inline constexpr std::uint8_t Home = 0x24;
inline constexpr std::uint8_t Left = 0x25;
inline constexpr std::uint8_t Up = 0x26;
inline constexpr std::uint8_t Right = 0x27;
inline constexpr std::uint8_t Down = 0x28;
inline constexpr std::uint8_t Insert = 0x2D;
inline constexpr std::uint8_t Delete = 0x2E;
}  // namespace vk

// A duplicate row in a keystroke table.
class ESynKeyError : public Exception {
public:
    using Exception::Exception;
};

// One row of the table: a command and one or two keystrokes (ShortCut2 is scNone for one).
struct TSynEditKeyStroke {
    TSynEditorCommand Command = ecNone;
    TShortCut ShortCut = scNone;
    TShortCut ShortCut2 = scNone;

    friend bool operator==(const TSynEditKeyStroke&, const TSynEditKeyStroke&) = default;
};

class TSynEditKeyStrokes {
public:
    // An empty table; ResetDefaults fills in the standard one.
    TSynEditKeyStrokes() = default;

    // Appends a row; throws ESynKeyError "Shortcut already exists" when another row has the same
    // keystrokes.
    void Add(TSynEditorCommand command, TShortCut shortCut, TShortCut shortCut2 = scNone);
    // Changes the keystrokes of a row, with the same duplicate check as Add.
    void SetShortCuts(int index, TShortCut shortCut, TShortCut shortCut2 = scNone);
    // Removes a row; an index outside the table throws std::out_of_range, as Items does.
    void Delete(int index);
    void Clear() noexcept { rows_.clear(); }
    // Replaces the rows with the standard table of 79 rows.
    void ResetDefaults();

    [[nodiscard]] int Count() const noexcept { return static_cast<int>(rows_.size()); }
    [[nodiscard]] const TSynEditKeyStroke& Items(int index) const { return rows_.at(static_cast<std::size_t>(index)); }
    [[nodiscard]] const std::vector<TSynEditKeyStroke>& Rows() const noexcept { return rows_; }

    // Index of the first row with this single keystroke (and no second one), or -1.
    [[nodiscard]] int FindShortcut(TShortCut shortCut) const noexcept;
    // Index of the first row with these two keystrokes, or -1.
    [[nodiscard]] int FindShortcut2(TShortCut shortCut, TShortCut shortCut2) const noexcept;

private:
    void CheckUnique(TShortCut shortCut, TShortCut shortCut2, int exceptIndex) const;

    std::vector<TSynEditKeyStroke> rows_;
};

// The per-editor side of the lookup: remembers the first keystroke of a possible two-key sequence.
class TSynKeyTranslator {
public:
    // The command for this key press, or ecNone. Keeps or clears the pending first keystroke.
    [[nodiscard]] TSynEditorCommand Translate(const TSynEditKeyStrokes& table, TShortCut keystroke) noexcept;

    [[nodiscard]] TShortCut Pending() const noexcept { return pending_; }
    void ClearPending() noexcept { pending_ = scNone; }

private:
    TShortCut pending_ = scNone;
};

}  // namespace pindle
