#!/usr/bin/env bash
# End-to-end test of text beyond ASCII in the real program, under its own Xvfb: a UTF-8 file takes
# typed and pasted characters as UTF-8 and copies them out as they are shown; a Windows-1252 file
# saves back byte for byte and refuses a character it cannot hold; a byte-order mark and the
# statements that CSS wants first keep their place; a font named in Chinese is written in UTF-8.
set -euo pipefail

PINDLE=${1:?usage: run_e2e_text.sh path/to/pindle}
source "$(dirname "$0")/e2e_lib.sh"


# The pane's first row, under the table and the splitter.
click_pane() {
  eval "$(xdotool getwindowgeometry --shell "$MAIN")"
  xdotool mousemove $((X + 200)) $((Y + HEIGHT - 19 - 150 + 8)) click 1
}

# Sets the clipboard from another program, as a user copying in a browser would.
set_clipboard() {
  printf '%s' "$1" | xclip -i -selection clipboard
  sleep 0.2
}

start_pindle
echo "main window $MAIN on $DISPLAY"

# 1. A UTF-8 file: typing é€→日 and pasting €|é|日 at its end saves them as UTF-8.
crlf '/* Café → 日本語 */' 'p::after { content: "é"; }' >"$WORK/utf8.css"
open_file "$WORK/utf8.css"
click_pane
xdotool key ctrl+End
xdotool type --delay 20 'é€→日'
set_clipboard '€|é|日'
xdotool key ctrl+v
wait_pane_line 'p::after { content: "é"; }é€→日€|é|日'
save_file
crlf "$BEGIN" "$WARN" "$END" '/* Café → 日本語 */' 'p::after { content: "é"; }é€→日€|é|日' >"$WORK/expected1"
expect_file "$WORK/utf8.css" "$WORK/expected1"
echo "ok: typed and pasted text saved as UTF-8"

# 2. Copying a line out of the pane puts its characters on the clipboard, not its bytes as Latin-1.
click_pane
xdotool key ctrl+Home End shift+Home ctrl+c
sleep 0.2
CLIP=$(xclip -o -selection clipboard)
[ "$CLIP" = '/* Café → 日本語 */' ] || fail "clipboard after copying the comment: $CLIP"
echo "ok: copy from the pane"

# 3. A Windows-1252 file saves back byte for byte, unchanged and after an edit; a character it
#    cannot hold is refused with a message and changes nothing.
printf '/* Caf\xe9 \x96 \x93x\x94 */\r\np {}\r\n' >"$WORK/legacy.css"
{ crlf "$BEGIN" "$WARN" "$END"; cat "$WORK/legacy.css"; } >"$WORK/expected3"
open_file "$WORK/legacy.css"
save_file
expect_file "$WORK/legacy.css" "$WORK/expected3"
click_pane
xdotool key ctrl+End
xdotool type --delay 20 'é'
wait_pane_line 'p {}é'
save_file
{ crlf "$BEGIN" "$WARN" "$END"; printf '/* Caf\xe9 \x96 \x93x\x94 */\r\np {}\xe9\r\n'; } >"$WORK/expected3b"
expect_file "$WORK/legacy.css" "$WORK/expected3b"
click_pane
xdotool key ctrl+End
xdotool type --delay 20 '日'
BOX=$(wait_error_box) || fail "no message when typing a character Windows-1252 cannot hold"
close_error_box "$BOX"
save_file
expect_file "$WORK/legacy.css" "$WORK/expected3b"
echo "ok: Windows-1252 file kept byte for byte, 日 refused"

# 4. A file that begins with a byte-order mark and the begin marker keeps both, and its one rule.
{ printf '\xef\xbb\xbf'; crlf "$BEGIN" "$WARN" "h1 {;color:#FF0000;}" "$END" "p {}"; } >"$WORK/bom.css"
cp "$WORK/bom.css" "$WORK/expected4"
open_file "$WORK/bom.css"
save_file
expect_file "$WORK/bom.css" "$WORK/expected4"
echo "ok: byte-order mark and block kept"

# 5. @charset and @import lines at the top of the pane are written before the block.
crlf "$BEGIN" "$WARN" "$END" '@charset "UTF-8";' '@import url(fonts.css);' 'p {}' >"$WORK/head.css"
crlf '@charset "UTF-8";' '@import url(fonts.css);' "$BEGIN" "$WARN" "$END" 'p {}' >"$WORK/expected5"
open_file "$WORK/head.css"
save_file
expect_file "$WORK/head.css" "$WORK/expected5"
echo "ok: @charset and @import stay before the block"

stop_pindle

# 6. In a Chinese desktop the font list names the CJK font in Chinese; chosen, it is written in UTF-8.
if fc-list : family | grep -q '文泉驿'; then
  start_pindle env LANG=zh_CN.UTF-8
  file_dialog a "$WORK/font.css" "Save As"
  confirm_information
  DIALOG=$(menu_command s a "Style") || fail "the style dialog did not open"
  focus "$DIALOG"
  sleep 0.2
  xdotool type --delay 5 "h1"
  xdotool key ctrl+Tab
  sleep 0.2
  # The system font list: the next field after the custom font edit in the tab order.
  xdotool key Tab Tab End
  sleep 0.2
  # The ">" button beside the list, at its place in the dialog's fixed layout.
  eval "$(xdotool getwindowgeometry --shell "$DIALOG")"
  xdotool mousemove $((X + 225)) $((Y + 65)) click 1
  sleep 0.2
  xdotool key Return
  wait_gone "Style" || fail "the style dialog did not close"
  save_file
  grep -a -q 'h1 {font-family:文泉驿等宽正黑;}' "$WORK/font.css" ||
    fail "rule of the Chinese font: $(sed -n 3p "$WORK/font.css")"
  echo "ok: font named in Chinese written in UTF-8"
else
  echo "skipped: no CJK font installed"
fi

echo "PASS"
