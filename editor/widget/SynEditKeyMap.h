// Turns a Qt key press into the editor's 16-bit keystroke: the Windows virtual-key code in the low
// byte, plus 0x2000 for Shift, 0x4000 for Ctrl and 0x8000 for Alt. The keystroke table is written in
// those codes, so every key the table names must come out with the code it expects.
#pragma once

#include "editor/SynEditKeyCmds.h"

#include <Qt>
#include <cstdint>

namespace pindle {

// The virtual-key code of a Qt key, or 0 for a key that has none (a dead key, a modifier alone).
// Keys whose Qt code depends on Shift (Qt reports Shift+1 as Key_Exclam on a US layout) give the
// code of the key cap, so Shift+Ctrl+1 still reaches the row of Ctrl+Shift+'1'.
[[nodiscard]] std::uint8_t VirtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers) noexcept;

// The keystroke of a key press; 0 when the key has no virtual-key code.
[[nodiscard]] TShortCut KeystrokeOf(int qtKey, Qt::KeyboardModifiers modifiers) noexcept;

}  // namespace pindle
