#!/usr/bin/env bash
# End-to-end test: starts pindle under its own Xvfb and works it with the keyboard like a user:
# Save As through the File menu, Open of a stylesheet with free text and a block, Save, and Add of a
# style through the style dialog. Checks the saved bytes and the clipboard's link element.
set -euo pipefail

PINDLE=${1:?usage: run_e2e.sh path/to/pindle}
source "$(dirname "$0")/e2e_lib.sh"


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

# ---- Steps 4 to 7: file dialog, overwrite typing, link code, splitter -----------------------------

# 4. The Open dialog lists a folder without opening its files (watched with strace where it can
#    attach), and a name typed without an extension opens the existing file of that name.
mkdir "$WORK/listed"
crlf "p {margin:0}" >"$WORK/listed/notes"
printf '\x89PNG\r\n\x1a\n' >"$WORK/listed/picture"
crlf "a {}" >"$WORK/listed/other.css"
DIALOG=$(menu_command f o "Open") || fail "the Open dialog did not open"
focus "$DIALOG"
sleep 0.2
STRACE_PID=""
if command -v strace >/dev/null; then
  strace -f -qq -e trace=openat,open -p "$PINDLE_PID" -o "$WORK/strace.log" 2>/dev/null &
  STRACE_PID=$!
  sleep 1
  kill -0 "$STRACE_PID" 2>/dev/null || STRACE_PID=""   # not allowed to attach here
fi
xdotool key ctrl+a
xdotool type --delay 5 "$WORK/listed/"
xdotool key Return
sleep 1.5
if [ -n "$STRACE_PID" ]; then
  kill "$STRACE_PID" 2>/dev/null || true
  wait "$STRACE_PID" 2>/dev/null || true
  grep -q "\"$WORK/listed\"" "$WORK/strace.log" || fail "strace saw no listing of $WORK/listed"
  if grep "\"$WORK/listed/[^\"]" "$WORK/strace.log"; then fail "listing the folder opened its files"; fi
  echo "ok: listing a folder opens none of its files"
fi
xdotool key ctrl+a
xdotool type --delay 5 "notes"
xdotool key Return
wait_gone "Open" || fail "the Open dialog did not close on an existing name without extension"
wait_caption "$MAIN" "Pindle - [ $WORK/listed/notes]" ||
  fail "caption after opening notes: $(xdotool getwindowname "$MAIN")"
echo "ok: open of an existing file without extension"

# 5. In overwrite mode a character typed over a selection replaces the selection and nothing else.
eval "$(xdotool getwindowgeometry --shell "$MAIN")"
xdotool mousemove $((X + 200)) $((Y + HEIGHT - 19 - 150 + 8)) click 1
xdotool key ctrl+Home Insert Right shift+Right shift+Right
xdotool type --delay 5 "X"
xdotool key Insert
BOX=$(menu_command f s "Information") || fail "no Information message after the save"
confirm_information "$BOX"
{
  crlf "$BEGIN" "$WARN" "$END" "pXmargin:0}"
} >"$WORK/expected5"
expect_file "$WORK/listed/notes" "$WORK/expected5"
echo "ok: overwrite typing over a selection"

# 6. The link code names the file after the last "/" only: ":" belongs to the name.
file_dialog a "$WORK/a:b.css" "Save As"
confirm_information
CLIP=$(xclip -o -selection clipboard)
[ "$CLIP" = '<link rel="stylesheet" type="text/css" href="a:b.css">' ] || fail "clipboard holds: $CLIP"
echo "ok: link code of a name with a colon"

# 7. Dragging the splitter to the top of the window leaves the window's size alone.
eval "$(xdotool getwindowgeometry --shell "$MAIN")"
BEFORE="${WIDTH}x${HEIGHT}"
BAR_Y=$((Y + HEIGHT - 19 - 150 - 2))
xdotool mousemove $((X + 300)) "$BAR_Y" mousedown 1 mousemove $((X + 300)) $((Y + 100)) \
  mousemove $((X + 300)) "$Y" mouseup 1
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$MAIN")"
[ "${WIDTH}x${HEIGHT}" = "$BEFORE" ] || fail "dragging the splitter resized the window: $BEFORE to ${WIDTH}x${HEIGHT}"
echo "ok: the splitter keeps the window's size"

# ---- end of steps 4 to 7 ----------------------------------------------------------------------------

kill "$PINDLE_PID" 2>/dev/null || true

# 8 to 10. Saving under a file size limit, onto a pipe, and in a read-only folder.
source "$(dirname "${BASH_SOURCE[0]}")/save_faults.sh"

# 11. The program keeps no settings: the file dialogs above left nothing in the home folder.
SETTINGS=$(find "$HOME" -type f -name '*.conf' 2>/dev/null)
[ -z "$SETTINGS" ] || fail "the program wrote settings: $SETTINGS"
echo "ok: no settings kept"

# 12. The pane as desktop users work it, watched through the primary selection: Down Down keeps the
#     caret's column across a wide character, Enter over a selection that begins beyond column 1024
#     breaks the line there, Select All from the right-click menu makes the text the primary
#     selection, and a middle click in the gutter pastes the primary selection at the line's start.
wait_primary() {
  for _ in $(seq 200); do
    [ "$(xclip -o -selection primary 2>/dev/null)" = "$1" ] && return 0
    sleep 0.05
  done
  fail "$2: the primary selection holds: $(xclip -o -selection primary 2>/dev/null | head -c 100)"
}
select_all_from_menu() {
  local menu=""
  xdotool mousemove $((X + 300)) $((PANE_TOP + 60)) click 3
  for _ in $(seq 200); do
    menu=$(xdotool search --onlyvisible --class pindle 2>/dev/null | grep -vx "$MAIN" | head -1 || true)
    [ -n "$menu" ] && break
    sleep 0.05
  done
  [ -n "$menu" ] || fail "a right click in the pane opened no menu"
  xdotool key a
}
LONG="$(printf 'A%.0s' $(seq 1030))Z"
crlf "abcdefg" "a中文efg" "abcdefg" "$LONG" "b" >"$WORK/pane.css"
start_pindle
open_file "$WORK/pane.css"
eval "$(xdotool getwindowgeometry --shell "$MAIN")"
PANE_TOP=$((Y + HEIGHT - 19 - 150))
xdotool mousemove $((X + 300)) $((PANE_TOP + 60)) click 1
xdotool key ctrl+Home Right Right Down Down
xdotool type --delay 5 "X"
xdotool key ctrl+End Home shift+Up shift+End Return
select_all_from_menu
TEXT=$(printf 'abcdefg\na中文efg\nabXcdefg\n%s\nb' "$LONG")
wait_primary "$TEXT" "after Down Down, Enter and Select All from the menu"
printf '/*mid*/' | xclip -i -selection primary
xdotool mousemove $((X + 12)) $((PANE_TOP + 8)) click 2
xdotool key ctrl+a
wait_primary "/*mid*/$TEXT" "after the middle click and Ctrl+A"
echo "ok: column kept, Enter beyond column 1024, right-click menu, primary selection and middle click"

echo "PASS"
