#!/usr/bin/env bash
# End-to-end test of huge and hostile stylesheets in the real program, under its own Xvfb: a file
# of one 50 MB line, a file of 5 million empty lines and a 400 MB file each open without a crash,
# and the window answers at once afterwards and edits and saves them; a file that does not fit in
# the memory left fails with an error box and leaves the document as it was.
set -euo pipefail

PINDLE=${1:?usage: run_e2e_large.sh path/to/pindle}
source "$(dirname "$0")/e2e_lib.sh"
if ! command -v prlimit >/dev/null; then
  echo "SKIPPED: prlimit is not installed"
  exit 77
fi

HEADER_BYTES=$(( ${#BEGIN} + ${#WARN} + ${#END} + 6 ))

# The long line is one comment from its second column on: a single token of 50 MB.
{ printf 'a/*'; yes 'comment text in one line ' | tr -d '\n' | head -c 49999997; } >"$WORK/line50.css" || true
yes $'\r' | head -n 5000000 >"$WORK/empty5m.css" || true
yes '.box { margin: 0 auto 12px auto; color: #333333; } /* note */' | head -c 400000000 >"$WORK/big400.css" || true

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# open_file PATH: opens the file through the Open dialog and waits for the caption that a finished
# open shows; OPEN_MS is the time from Enter in the dialog to that caption.
open_file() {
  local path=$1 dialog start
  dialog=$(menu_command f o "Open") || fail "the Open dialog did not open"
  focus "$dialog"
  sleep 0.2
  xdotool key ctrl+a
  xdotool type --delay 5 "$path"
  start=$(now_ms)
  xdotool key Return
  wait_caption "$MAIN" "Pindle - [ $path]" 120 || fail "no caption for $path: $(xdotool getwindowname "$MAIN")"
  OPEN_MS=$(( $(now_ms) - start ))
  echo "opened $(basename "$path") in $OPEN_MS ms"
}

# responds LIMIT_MS: the window answers a command (its Open dialog comes up) within LIMIT_MS.
responds() {
  local limit=$1 start dialog took
  start=$(now_ms)
  dialog=$(menu_command f o "Open") || fail "the window did not answer"
  took=$(( $(now_ms) - start ))
  focus "$dialog"
  xdotool key Escape
  wait_gone "Open" || fail "the Open dialog did not close"
  echo "answered in $took ms"
  [ "$took" -le "$limit" ] || fail "the window took $took ms to answer (limit $limit ms)"
}

# save: Save from the File menu and the Information message after it.
save() {
  local box
  box=$(menu_command f s "Information") || fail "no Information message after the save"
  confirm_information "$box"
}

in_pane() {
  focus "$MAIN"
  xdotool mousemove --window "$MAIN" 200 330 click 1
  sleep 0.2
}

"$PINDLE" >"$WORK/pindle.log" 2>&1 &
PINDLE_PID=$!
MAIN=$(wait_window "Pindle" 600) || fail "the main window did not appear"
echo "main window $MAIN on $DISPLAY"

# 1. One line of 50 MB: open, type at its start, save. Painting and the caret work on the visible
# part only, so the window answers as soon as the open is done.
open_file "$WORK/line50.css"
responds $(( OPEN_MS + 3000 ))
in_pane
xdotool key ctrl+Home End Home
xdotool type --delay 20 "xyz"
save
[ "$(stat -c %s "$WORK/line50.css")" -eq $(( 50000000 + HEADER_BYTES + 3 + 2 )) ] ||
  fail "saved 50 MB line has $(stat -c %s "$WORK/line50.css") bytes"
[ "$(head -c $(( HEADER_BYTES + 8 )) "$WORK/line50.css" | tail -c 8)" = "xyza/*co" ] ||
  fail "typed text is not at the start of the long line"
echo "ok: 50 MB line opened, edited, saved"

# 2. Five million empty lines: select all + Delete, undo, a word at the end, save.
open_file "$WORK/empty5m.css"
responds $(( OPEN_MS + 3000 ))
in_pane
# Each of these is one step for the whole text, not one per line.
xdotool key ctrl+a Delete
responds 2500
in_pane
xdotool key ctrl+z
responds 2500
in_pane
xdotool key ctrl+End
xdotool type --delay 20 "end"
save
[ "$(stat -c %s "$WORK/empty5m.css")" -eq $(( HEADER_BYTES + 5000000 * 2 + 3 )) ] ||
  fail "saved empty lines have $(stat -c %s "$WORK/empty5m.css") bytes"
[ "$(tail -c 7 "$WORK/empty5m.css" | od -An -c | tr -d ' ')" = '\r\nend\r\n' ] || fail "the last line is not 'end'"
cp "$WORK/empty5m.css" "$WORK/before-failure.css"
echo "ok: 5 million empty lines opened, deleted, undone, edited, saved"

# 3. Not enough memory left for the 400 MB file: an error box (captioned with the program's title),
# and the document, its name and caption stay as they were.
size_kib=$(sed -n 's/^VmSize:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$PINDLE_PID/status")
prlimit --pid "$PINDLE_PID" --as=$(( (size_kib + 300 * 1024) * 1024 )):
dialog=$(menu_command f o "Open") || fail "the Open dialog did not open"
focus "$dialog"
sleep 0.2
xdotool key ctrl+a
xdotool type --delay 5 "$WORK/big400.css"
xdotool key Return
box=$(wait_window "Pindle" 0) || fail "no error box for a file that does not fit in memory"
[ "$box" != "$MAIN" ] || fail "the main window lost its caption"
kill -0 "$PINDLE_PID" || fail "the program has gone"
focus "$box"
xdotool key Return
wait_gone "Pindle" || fail "the error box did not close"
[ "$(xdotool getwindowname "$MAIN")" = "Pindle - [$WORK/empty5m.css]" ] ||
  fail "caption after the failed open: $(xdotool getwindowname "$MAIN")"
save
cmp -s "$WORK/empty5m.css" "$WORK/before-failure.css" || fail "the document changed after the failed open"
prlimit --pid "$PINDLE_PID" --as=unlimited:
echo "ok: a file too large for the memory left fails with an error box and changes nothing"

# 4. The 400 MB file with memory enough: it opens, and the window answers at once afterwards.
open_file "$WORK/big400.css"
responds $(( OPEN_MS + 3000 ))
in_pane
xdotool key ctrl+End ctrl+Home Next
kill -0 "$PINDLE_PID" || fail "the program has gone"
echo "ok: 400 MB file opened"

kill "$PINDLE_PID" 2>/dev/null || true
echo "PASS"
