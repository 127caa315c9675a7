#!/usr/bin/env bash
# End-to-end test of the file dialogs' default extension in the real program: a name typed without
# one and accepted with Enter (not only with the Save or Open button) gets ".css", and Save As asks
# before it overwrites the file of that name.
set -euo pipefail

PINDLE=${1:?usage: file_dialogs.sh path/to/pindle}
source "$(dirname "$0")/e2e_lib.sh"

# visible_count NAME: how many visible windows have exactly that name.
visible_count() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l; }

# type_in_dialog DIALOG TEXT: replaces the name box's text and presses Enter.
type_in_dialog() {
  focus "$1"
  sleep 0.2
  xdotool key ctrl+a
  xdotool type --delay 5 "$2"
  xdotool key Return
}

# wait_question: waits for the overwrite question, a second window named "Save As".
wait_question() {
  for _ in $(seq 200); do
    [ "$(visible_count "Save As")" -ge 2 ] && return 0
    sleep 0.05
  done
  return 1
}

"$PINDLE" >"$WORK/pindle.log" 2>&1 &
PINDLE_PID=$!
MAIN=$(wait_window "Pindle" 600) || fail "the main window did not appear"
echo "main window $MAIN on $DISPLAY"

# 1. Save As: go to the folder, then type abc and press Enter.
DIALOG=$(menu_command f a "Save As") || fail "the Save As dialog did not open"
type_in_dialog "$DIALOG" "$WORK/"
sleep 0.5
type_in_dialog "$DIALOG" "abc"
wait_gone "Save As" || fail "Enter did not close the Save As dialog"
confirm_information
[ -s "$WORK/abc.css" ] || fail "abc.css was not written: $(ls "$WORK")"
[ ! -e "$WORK/abc" ] || fail "the file was written as abc, without the extension"
wait_caption "$MAIN" "Pindle - [$WORK/abc.css]" || fail "caption after the save: $(xdotool getwindowname "$MAIN")"
echo "ok: Save As, abc + Enter writes abc.css"

# 2. Save As abc + Enter again: the question about abc.css comes; No keeps the file, Yes replaces it.
cp "$WORK/abc.css" "$WORK/expected"
: >"$WORK/abc.css"
DIALOG=$(menu_command f a "Save As") || fail "the Save As dialog did not open"
type_in_dialog "$DIALOG" "abc"
wait_question || fail "no question before overwriting abc.css"
xdotool key Return   # No is the question's default
sleep 0.5
[ "$(visible_count "Save As")" -eq 1 ] || fail "after No the question is still there, or the dialog is gone"
[ ! -s "$WORK/abc.css" ] || fail "No overwrote abc.css"
type_in_dialog "$DIALOG" "abc"
wait_question || fail "no question the second time"
xdotool key alt+y
wait_gone "Save As" || fail "Yes did not close the dialog"
confirm_information
expect_file "$WORK/abc.css" "$WORK/expected"
echo "ok: the overwrite question for abc.css, No keeps it, Yes replaces it"

# 3. Open test2 + Enter opens test2.css.
printf 'body {margin:0}\r\n' >"$WORK/test2.css"
DIALOG=$(menu_command f o "Open") || fail "the Open dialog did not open"
type_in_dialog "$DIALOG" "test2"
wait_gone "Open" || fail "Enter did not close the Open dialog"
wait_caption "$MAIN" "Pindle - [ $WORK/test2.css]" ||
  fail "caption after the open: $(xdotool getwindowname "$MAIN") (windows: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' ' '))"
echo "ok: Open, test2 + Enter opens test2.css"
