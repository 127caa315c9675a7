#!/usr/bin/env bash
# Kills the real program with SIGKILL at spread-out moments of a large save and looks at what is
# left: the file holds either its old or its new content, whole, and nothing else lies in its folder.
#   run_e2e_kill.sh path/to/pindle [KILLS [MB [STEP_MS]]]
# Each kill comes STEP_MS later after the Save command than the one before (from 0 ms on).
set -euo pipefail

PINDLE=${1:?usage: run_e2e_kill.sh path/to/pindle [KILLS [MB [STEP_MS]]]}
KILLS=${2:-6}
MB=${3:-20}
STEP_MS=${4:-8}
source "$(dirname "$0")/e2e_lib.sh"

DOCS=$WORK/docs
mkdir -p "$DOCS"
yes '.box { margin: 0 auto 12px auto; color: #333333; } /* note */' | head -c $((MB * 1000000)) >"$WORK/old.css" || true

# start_and_edit: a fresh copy of the old file open with one character typed, the File menu open.
start_and_edit() {
  cp "$WORK/old.css" "$DOCS/site.css"
  edit_then_file_menu "$DOCS/site.css"
}

# The new content: one whole save of the edited document.
start_and_edit
xdotool key s
confirm_information
cp "$DOCS/site.css" "$WORK/new.css"
kill_pindle
cmp -s "$WORK/old.css" "$WORK/new.css" && fail "the typed character did not reach the saved file"

old=0 new=0 other=0 left=0
for i in $(seq "$KILLS"); do
  start_and_edit
  delay=$(( (i - 1) * STEP_MS ))
  xdotool key s
  sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
  kill_pindle
  if cmp -s "$WORK/old.css" "$DOCS/site.css"; then old=$((old + 1)); kind=old
  elif cmp -s "$WORK/new.css" "$DOCS/site.css"; then new=$((new + 1)); kind=new
  else other=$((other + 1)); kind="neither old nor new"; fi
  extra=$(ls -A "$DOCS" | { grep -vx site.css || true; })
  [ -n "$extra" ] && left=$((left + $(wc -l <<<"$extra")))
  rm -f "$DOCS"/.pindle-save-* 2>/dev/null || true
  echo "kill $i, ${delay} ms after Save: $kind${extra:+; left behind: $extra}"
done
echo "$KILLS kills during saves of $MB MB: old content $old, new content $new, anything else $other, files left behind $left"
[ "$other" -eq 0 ] || fail "$other kills left a file that is neither the old nor the new content"
[ "$left" -eq 0 ] || fail "$left kills left files behind"
echo "PASS"
