#!/usr/bin/env bash
# End-to-end test: starts pindle under its own Xvfb and works it with the keyboard like a user:
# Save As through the File menu, Open of a stylesheet with free text and a block, Save, and Add of a
# style through the style dialog. Checks the saved bytes and the clipboard's link element.
set -euo pipefail

PINDLE=${1:?usage: run_e2e.sh path/to/pindle}
source "$(dirname "$0")/e2e_lib.sh"

crlf() { printf '%s\r\n' "$@"; }
BEGIN='/**Begin Pindle*****************************************/'
WARN='/**DO NOT MODIFY ANYTHING IN THIS SECTION.**/'
END='/**End Pindle*******************************************/'

"$PINDLE" >"$WORK/pindle.log" 2>&1 &
PINDLE_PID=$!
MAIN=$(wait_window "Pindle" 600) || fail "the main window did not appear"
echo "main window $MAIN on $DISPLAY"

# 1. Save As of the new, empty document; then the link on the clipboard.
file_dialog a "$WORK/first.css" "Save As"
confirm_information
crlf "$BEGIN" "$WARN" "$END" >"$WORK/expected1"
expect_file "$WORK/first.css" "$WORK/expected1"
CLIP=$(xclip -o -selection clipboard)
[ "$CLIP" = '<link rel="stylesheet" type="text/css" href="first.css">' ] || fail "clipboard holds: $CLIP"
wait_caption "$MAIN" "Pindle - [$WORK/first.css]" ||
  fail "caption after the save: $(xdotool getwindowname "$MAIN")"
echo "ok: save as, bytes, clipboard, caption"

# 2. Open a stylesheet with free text before and after its block, then Save writes it back.
{
  crlf "/* site colours */" "$BEGIN" "$WARN"
  crlf "h1 {font-family:Arial,Helvetica;font-size:14pt;color:#FF0000;}   /* Main heading*/"
  crlf "p.note {;background-color:#FFFF00;}" "$END" "body {margin:0}" ""
} >"$WORK/sheet.css"
file_dialog o "$WORK/sheet.css" "Open"
wait_caption "$MAIN" "Pindle - [ $WORK/sheet.css]" ||
  fail "caption after the open: $(xdotool getwindowname "$MAIN")"
BOX=$(menu_command f s "Information") || fail "no Information message after the save"
confirm_information "$BOX"
{
  crlf "$BEGIN" "$WARN"
  crlf "h1 {font-family:Arial,Helvetica;font-size:14pt;color:#FF0000;}   /* Main heading*/"
  crlf "p.note {;background-color:#FFFF00;}" "$END" "/* site colours */" "body {margin:0}" ""
} >"$WORK/expected2"
expect_file "$WORK/sheet.css" "$WORK/expected2"
CLIP=$(xclip -o -selection clipboard)
[ "$CLIP" = '<link rel="stylesheet" type="text/css" href="sheet.css">' ] || fail "clipboard holds: $CLIP"
echo "ok: open, save, bytes"

# 3. Add a style through the style dialog, save, and find its rule line in the block.
DIALOG=$(menu_command s a "Style") || fail "the style dialog did not open"
focus "$DIALOG"
sleep 0.2
xdotool type --delay 5 "h3"
xdotool key shift+Tab   # the style name comes before the tag in the page's tab order
xdotool type --delay 5 "intro"
xdotool key Tab Tab
xdotool type --delay 5 "Intro text"
xdotool key Return
wait_gone "Style" || fail "the style dialog did not close on Enter"
BOX=$(menu_command f s "Information") || fail "no Information message after the save"
confirm_information "$BOX"
sed -n '5p' "$WORK/sheet.css" | cat -A | grep -qx 'h3.intro {;}   /\* Intro text\*/\^M\$' ||
  fail "rule line of the added style: $(sed -n '5p' "$WORK/sheet.css" | cat -A)"
echo "ok: add through the dialog, save, rule line"

kill "$PINDLE_PID" 2>/dev/null || true
echo "PASS"
