# Shared by the end-to-end tests: each starts pindle under its own Xvfb and works it with the
# keyboard like a user. Source it after setting PINDLE; it sets up WORK, DISPLAY, the clean-up and
# the helpers below.
for tool in Xvfb xdotool xclip; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed (scripts/setup installs it)"
    exit 77
  fi
done

# The lines of a stylesheet as the program writes them, and its block's marker lines.
crlf() { printf '%s\r\n' "$@"; }
BEGIN='/**Begin Pindle*****************************************/'
WARN='/**DO NOT MODIFY ANYTHING IN THIS SECTION.**/'
END='/**End Pindle*******************************************/'

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
# PINDLE_E2E_DISPLAY names the one number to use instead.
start_xvfb() {
  local n tries count=20
  n=$((100 + RANDOM % 300))
  [ -n "${PINDLE_E2E_DISPLAY:-}" ] && n=$((PINDLE_E2E_DISPLAY - 1)) count=1
  for tries in $(seq "$count"); do
    n=$((n + 1))
    if [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; then
      [ -n "${PINDLE_E2E_DISPLAY:-}" ] && return 1
      continue
    fi
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
    [ -n "${PINDLE_E2E_DISPLAY:-}" ] && return 1
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

# wait_caption WINDOW TEXT [SECONDS]: waits up to SECONDS (10) for the window's caption to read TEXT.
wait_caption() {
  for _ in $(seq $((${3:-10} * 20))); do
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

# wait_pane_line TEXT: waits up to 10 s until the source pane's line at the caret reads TEXT, copying
# it to the clipboard to look: typed keys arrive late on a busy machine. The caret ends at the line's end.
wait_pane_line() {
  local line=""
  for _ in $(seq 40); do
    xdotool key End shift+Home ctrl+c End
    line=$(xclip -o -selection clipboard 2>/dev/null || true)
    [ "$line" = "$1" ] && return 0
    sleep 0.25
  done
  fail "the pane's line reads '$line', not '$1'"
}

expect_file() {
  local path=$1 expected=$2
  if ! cmp -s "$path" "$expected"; then
    echo "--- expected"; od -c "$expected" | head -40
    echo "--- saved"; od -c "$path" | head -40
    fail "saved bytes of $path differ"
  fi
}

# ---- Starting and stopping the program, error boxes, Save As over a file -------------------------

# stop_pindle: ends the running pindle and waits until it has gone, window and all.
stop_pindle() {
  if [ -n "$PINDLE_PID" ]; then
    kill "$PINDLE_PID" 2>/dev/null || true
    wait "$PINDLE_PID" 2>/dev/null || true
    PINDLE_PID=""
  fi
}

# start_pindle [WRAPPER...]: starts pindle through the wrapper command and waits for its window.
start_pindle() {
  stop_pindle
  "$@" "$PINDLE" >"$WORK/pindle.log" 2>&1 &
  PINDLE_PID=$!
  MAIN=$(wait_window "Pindle" 600) || fail "the main window did not appear (started with: $*)"
}

# open_file PATH: Open through the dialog, waiting for the caption.
open_file() {
  file_dialog o "$1" "Open"
  wait_caption "$MAIN" "Pindle - [ $1]" || fail "caption after opening $1: $(xdotool getwindowname "$MAIN")"
}
# save_file: Save through the File menu and Enter on the HTML code message.
save_file() {
  local box
  box=$(menu_command f s "Information") || {
    box=$(WAIT_STEPS=1 wait_error_box) && fail "the save showed an error box"
    fail "no Information message after the save"
  }
  confirm_information "$box"
}

# edit_then_file_menu PATH [WRAPPER...]: the program (started through the wrapper) with PATH open, one
# character typed at the start of its pane and its File menu open, so that the next key, s, saves.
edit_then_file_menu() {
  local path=$1
  shift
  start_pindle "$@"
  open_file "$path"
  eval "$(xdotool getwindowgeometry --shell "$MAIN")"
  xdotool mousemove $((X + 300)) $((Y + HEIGHT - 80)) click 1 key ctrl+Home type "X"
  sleep 0.3
  focus "$MAIN"
  xdotool key --clearmodifiers alt+f
  sleep 0.3
}

# kill_pindle: SIGKILL, as a crash ends the program.
kill_pindle() {
  kill -9 "$PINDLE_PID" 2>/dev/null || true
  wait "$PINDLE_PID" 2>/dev/null || true
  PINDLE_PID=""
}

# still_running WHAT: fails when the program has gone, with the way it ended.
still_running() {
  if ! kill -0 "$PINDLE_PID" 2>/dev/null; then
    local status=0
    wait "$PINDLE_PID" 2>/dev/null || status=$?
    PINDLE_PID=""
    fail "the program ended with status $status $1"
  fi
}

# wait_error_box: the id of the error box (captioned "Pindle", not the main window), up to 10 s.
wait_error_box() {
  local id
  for _ in $(seq 200); do
    for id in $(xdotool search --onlyvisible --name '^Pindle$' 2>/dev/null); do
      [ "$id" != "$MAIN" ] && { echo "$id"; return 0; }
    done
    sleep 0.05
  done
  return 1
}

# close_error_box BOX: Enter on the box, then waits until it has gone.
close_error_box() {
  focus "$1"
  xdotool key Return
  for _ in $(seq 200); do
    xdotool search --onlyvisible --name '^Pindle$' 2>/dev/null | grep -qx "$1" || return 0
    sleep 0.05
  done
  fail "the error box did not close"
}

# save_as_replacing PATH: Save As onto an existing file, answering Yes when the dialog asks.
save_as_replacing() {
  local dialog question
  dialog=$(menu_command f a "Save As") || fail "the Save As dialog did not open"
  focus "$dialog"
  sleep 0.2
  xdotool key ctrl+a
  xdotool type --delay 5 "$1"
  xdotool key Return
  for _ in $(seq 200); do
    question=$(xdotool search --onlyvisible --name '^Save As$' 2>/dev/null | grep -vx "$dialog" | head -1)
    [ -n "$question" ] && break
    sleep 0.05
  done
  [ -n "$question" ] || fail "the Save As dialog did not ask before replacing $1"
  focus "$question"
  xdotool key alt+y
  wait_gone "Save As" || fail "the Save As dialog did not close"
}
