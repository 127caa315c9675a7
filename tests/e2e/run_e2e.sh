#!/usr/bin/env bash
# End-to-end test: starts pindle under its own Xvfb and works it with the keyboard like a user:
# Save As through the File menu, Open of a stylesheet with free text and a block, Save, and Add of a
# style through the style dialog. Checks the saved bytes and the clipboard's link element.
set -euo pipefail

PINDLE=${1:?usage: run_e2e.sh path/to/pindle}
for tool in Xvfb xdotool xclip; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed (scripts/setup installs it)"
    exit 77
  fi
done

WORK=$(mktemp -d)
XVFB_PID=""
PINDLE_PID=""
cleanup() {
  [ -n "$PINDLE_PID" ] && kill "$PINDLE_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [ -s "$WORK/pindle.log" ] && { echo "--- program output"; tail -20 "$WORK/pindle.log"; }
  if [ -n "$XVFB_PID" ] && ! kill -0 "$XVFB_PID" 2>/dev/null; then
    echo "--- the X server has gone:"; tail -5 "$WORK/xvfb.log"
  fi
  if [ -n "${DISPLAY:-}" ] && command -v import >/dev/null; then
    import -window root "$WORK/failure.png" 2>/dev/null && cp "$WORK/failure.png" /tmp/pindle-e2e-failure.png &&
      echo "screen at the failure: /tmp/pindle-e2e-failure.png"
  fi
  exit 1
}

# A display number of our own: low numbers are where other X servers come and go, so start at a
# random place in 100..399 and take the first number whose server comes up and answers. -noreset:
# otherwise the server resets when its last client leaves and refuses connections meanwhile.
start_xvfb() {
  local n tries
  n=$((100 + RANDOM % 300))
  for tries in $(seq 20); do
    n=$((n + 1))
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset 2>"$WORK/xvfb.log" &
    XVFB_PID=$!
    for _ in $(seq 100); do
      if ! kill -0 "$XVFB_PID" 2>/dev/null; then break; fi
      if DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1; then
        export DISPLAY=":$n"
        return 0
      fi
      sleep 0.05
    done
    kill "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  done
  return 1
}
start_xvfb || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
export HOME="$WORK/home" XDG_RUNTIME_DIR="$WORK/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

# wait_window NAME [MIN_WIDTH]: the id of a visible window with exactly that name, waiting up to 10 s.
wait_window() {
  local name=$1 min_width=${2:-0} id width
  for _ in $(seq "${WAIT_STEPS:-200}"); do
    for id in $(xdotool search --onlyvisible --name "^${name}\$" 2>/dev/null); do
      width=$(xdotool getwindowgeometry --shell "$id" | sed -n 's/^WIDTH=//p')
      if [ "${width:-0}" -ge "$min_width" ]; then
        echo "$id"
        return 0
      fi
    done
    sleep 0.05
  done
  return 1
}

# wait_gone NAME: waits up to 10 s until no visible window has that name.
wait_gone() {
  for _ in $(seq 200); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.05
  done
  return 1
}

# wait_caption WINDOW TEXT: waits up to 10 s for the window's caption to read TEXT.
wait_caption() {
  for _ in $(seq 200); do
    [ "$(xdotool getwindowname "$1")" = "$2" ] && return 0
    sleep 0.05
  done
  return 1
}

focus() { xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"; }

# menu_command MENU ITEM TITLE: opens the menu with Alt+MENU, chooses ITEM by its accelerator and
# waits for a window named TITLE; a busy machine may open the menu late, so it tries three times.
menu_command() {
  local menu=$1 item=$2 title=$3 window attempt
  for attempt in 1 2 3; do
    focus "$MAIN"
    xdotool key --clearmodifiers "alt+$menu"
    sleep $((attempt * 2 - 1))e-1
    xdotool key "$item"
    if window=$(WAIT_STEPS=60 wait_window "$title"); then
      echo "$window"
      return 0
    fi
    xdotool key Escape Escape
  done
  return 1
}

# file_dialog MENU_KEY PATH DIALOG_TITLE: Alt+F, the item's key, the path, Enter.
file_dialog() {
  local key=$1 path=$2 title=$3 dialog
  dialog=$(menu_command f "$key" "$title") || fail "the $title dialog did not open"
  focus "$dialog"
  sleep 0.2
  xdotool key ctrl+a
  xdotool type --delay 5 "$path"
  xdotool key Return
  wait_gone "$title" || fail "the $title dialog did not close"
}

# confirm_information [BOX]: Enter on the HTML code message that every save shows.
confirm_information() {
  local box=${1:-}
  [ -n "$box" ] || box=$(wait_window "Information") || fail "no Information message after the save"
  focus "$box"
  xdotool key Return
  wait_gone "Information" || fail "the Information message did not close"
}

expect_file() {
  local path=$1 expected=$2
  if ! cmp -s "$path" "$expected"; then
    echo "--- expected"; od -c "$expected" | head -40
    echo "--- saved"; od -c "$path" | head -40
    fail "saved bytes of $path differ"
  fi
}

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

echo "PASS"
