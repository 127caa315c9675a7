#!/usr/bin/env bash
# The real program saves files that are more than their content, as other users and setups meet
# them: hard links, ACLs and attributes, another user's file, a save killed while it writes in place
# or at its rename, Save As onto a dangling link, and Open of a file that another program keeps
# growing. Root plays the other users: as nobody, or without the capabilities that let it write
# anywhere and give files away.
#   save_keeps.sh path/to/pindle [KILLS [MB]]
# KILLS kills at spread-out moments of an in-place save of an MB-megabyte file (default 4 of 20 MB).
set -euo pipefail

PINDLE=${1:?usage: save_keeps.sh path/to/pindle [KILLS [MB]]}
KILLS=${2:-4}
MB=${3:-20}
if [ "$(id -u)" != 0 ]; then
  echo "SKIPPED: playing other users needs root"
  exit 77
fi
for tool in setpriv setfacl getfacl setfattr getfattr strace; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
source "$(dirname "$0")/e2e_lib.sh"

# want N: whether to run step N; SAVE_KEEPS_STEPS="1 3" runs only those.
want() { [ -z "${SAVE_KEEPS_STEPS:-}" ] || [[ " $SAVE_KEEPS_STEPS " == *" $1 "* ]]; }

chmod 755 "$WORK"  # other users reach the folders below
mkdir -p "$WORK/nobody/run" && chown -R 65534:65534 "$WORK/nobody" && chmod 700 "$WORK/nobody/run"
AS_NOBODY=(env HOME="$WORK/nobody" XDG_RUNTIME_DIR="$WORK/nobody/run"
  setpriv --reuid=65534 --regid=65534 --clear-groups --)
caps=-dac_override,-dac_read_search,-chown,-fowner
NO_CAPS=(setpriv --inh-caps="$caps" --ambient-caps="$caps" --bounding-set="$caps" --)


# identity PATH: what a save must keep of a file, as text.
identity() {
  stat -c 'inode %i links %h owner %U:%G mode %a' "$1"
  getfacl -p "$1" 2>/dev/null | grep -v '^# file'
  getfattr -d -m - --absolute-names "$1" 2>/dev/null | { grep -v '^# file' || true; }
}

EXPECTED="$WORK/expected"
crlf "$BEGIN" "$WARN" "$END" "a {color:red}" >"$EXPECTED"

if want 1; then
# 1. A file with a second hard link keeps both links, and both show the new content.
mkdir -m 755 "$WORK/links"
crlf "a {color:red}" >"$WORK/links/a.css"
ln "$WORK/links/a.css" "$WORK/links/b.css"
before=$(stat -c '%i %h' "$WORK/links/a.css")
start_pindle "${NO_CAPS[@]}"
open_file "$WORK/links/a.css"
save_file
[ "$(stat -c '%i %h' "$WORK/links/a.css")" = "$before" ] ||
  fail "the save split the links: inode and links $before before, $(stat -c '%i %h' "$WORK/links/a.css") after"
expect_file "$WORK/links/b.css" "$EXPECTED"
[ "$(ls -A "$WORK/links" | tr '\n' ' ')" = "a.css b.css " ] || fail "the folder holds: $(ls -A "$WORK/links")"
echo "ok: a save keeps the hard links"
fi

if want 2; then
# 2. ACL entries, their mask and extended attributes stay as they were; the group gains nothing.
mkdir -m 755 "$WORK/acl"
F="$WORK/acl/t.css"
crlf "a {color:red}" >"$F"
setfacl -m u:nobody:rw-,g:nogroup:r--,g::r--,m::rw- "$F"
setfattr -n user.x -v 1 "$F"
setfattr -n user.origin -v web "$F"
before=$(identity "$F" | grep -v '^inode')
start_pindle "${NO_CAPS[@]}"
open_file "$F"
save_file
after=$(identity "$F" | grep -v '^inode')
[ "$after" = "$before" ] || fail "the save changed the file: before
$before
after
$after"
expect_file "$F" "$EXPECTED"
echo "ok: a save keeps the ACL and the extended attributes"
fi

if want 3; then
# 3. Another user's save in a shared folder leaves the file to its owner.
mkdir -m 777 "$WORK/shared"
crlf "a {color:red}" >"$WORK/shared/t.css"
chmod 666 "$WORK/shared/t.css"
before=$(identity "$WORK/shared/t.css")
start_pindle "${AS_NOBODY[@]}"
open_file "$WORK/shared/t.css"
save_file
[ "$(identity "$WORK/shared/t.css")" = "$before" ] ||
  fail "nobody's save changed the file: $(identity "$WORK/shared/t.css")"
expect_file "$WORK/shared/t.css" "$EXPECTED"
[ "$(ls -A "$WORK/shared")" = "t.css" ] || fail "the shared folder holds: $(ls -A "$WORK/shared")"
echo "ok: another user's save keeps the owner"
fi

if want 6; then
# 6. Save As onto a dangling symbolic link creates the file that the link names.
mkdir -m 755 "$WORK/dangling" "$WORK/dangling/real"
ln -s real/site.css "$WORK/dangling/link.css"
start_pindle "${NO_CAPS[@]}"
file_dialog a "$WORK/dangling/link.css" "Save As"
confirm_information
[ -L "$WORK/dangling/link.css" ] || fail "Save As replaced the dangling link"
[ -f "$WORK/dangling/real/site.css" ] || fail "Save As did not create the file the link names"
echo "ok: Save As onto a dangling link creates its file"
stop_pindle
fi

if want 7; then
# 7. Open of a file that another program keeps appending to ends with what the file held when the
#    open began, while the other program goes on writing.
crlf "p {margin:0}" >"$WORK/growing.css"
/usr/bin/python3 -c '
import sys, time
chunk = b"a\r\n" * 40000
# About 6 MB a second for up to two minutes: the file grows all through the open however slowly the
# program starts on a busy machine, and never fills the disk.
end = time.time() + 120
with open(sys.argv[1], "ab", buffering=0) as f:
    while time.time() < end:
        f.write(chunk)
        time.sleep(0.02)
' "$WORK/growing.css" &
GROWER=$!
start_pindle
file_dialog o "$WORK/growing.css" "Open"
if ! wait_caption "$MAIN" "Pindle - [ $WORK/growing.css]" 8; then
  kill "$GROWER" 2>/dev/null || true
  fail "the open of a growing file did not end within 8 s"
fi
kill -0 "$GROWER" 2>/dev/null || fail "the writer stopped before the open ended, the check proves nothing"
kill "$GROWER" 2>/dev/null || true
wait "$GROWER" 2>/dev/null || true
rm -f "$WORK/growing.css"
echo "ok: a growing file opens as it was"
stop_pindle
fi

if want 5; then
# 5. A kill at the rename leaves the named new content beside the file; the next save in that
#    folder removes it.
mkdir -m 755 "$WORK/renamed"
crlf "a {color:red}" >"$WORK/renamed/t.css"
start_pindle
open_file "$WORK/renamed/t.css"
strace -f -qq -o /dev/null -e trace=rename,renameat,renameat2 -e inject=rename,renameat,renameat2:signal=SIGKILL \
  -p "$PINDLE_PID" &
STRACE_PID=$!
sleep 1
focus "$MAIN"
xdotool key --clearmodifiers alt+f
sleep 0.3
xdotool key s
for _ in $(seq 200); do kill -0 "$PINDLE_PID" 2>/dev/null || break; sleep 0.05; done
kill -0 "$PINDLE_PID" 2>/dev/null && fail "the program was not killed at the rename"
wait "$STRACE_PID" 2>/dev/null || true
PINDLE_PID=""
ls -A "$WORK/renamed" | grep -q '^\.pindle-save-' || fail "the kill at the rename left no temporary name to clean up"
start_pindle
file_dialog a "$WORK/renamed/other.css" "Save As"
confirm_information
[ "$(ls -A "$WORK/renamed" | tr '\n' ' ')" = "other.css t.css " ] ||
  fail "the next save left: $(ls -A "$WORK/renamed")"
stop_pindle
echo "ok: the next save removes what a save killed at its rename left"
fi

if want 4; then
# 4. Saves in place killed at spread-out moments: nobody's save of root's file in a sticky folder,
#    and a save in a folder that takes no new file. The file holds the old or the new content, or
#    else a whole copy of the old content, readable by the saver alone, is kept and Open names it in
#    a warning box; nothing else stays.
yes '.box { margin: 0 auto 12px auto; color: #333333; } /* note */' | head -c $((MB * 1000000)) >"$WORK/old.css" || true
mkdir -m 1777 "$WORK/sticky"
mkdir -m 755 "$WORK/locked"

fresh_file() {
  cp "$WORK/old.css" "$DOCS/t.css"
  chmod 666 "$DOCS/t.css"
}

# The new content and how long a whole save takes.
DOCS=$WORK/sticky
fresh_file
edit_then_file_menu "$DOCS/t.css" "${AS_NOBODY[@]}"
start_ms=$(date +%s%3N)
xdotool key s
# The save ends when the copy of the old content goes; the Information message comes later.
seen=""
for _ in $(seq 4000); do
  if [ -e "$DOCS/t.css~pindle-backup" ]; then seen=1; elif [ -n "$seen" ]; then break; fi
done
if [ -z "$seen" ]; then  # no copy was kept: the save ended by the time its message shows
  box=$(wait_window "Information") || fail "no Information message after the save"
  save_ms=$(($(date +%s%3N) - start_ms))
  confirm_information "$box"
else
  save_ms=$(($(date +%s%3N) - start_ms))
  confirm_information
fi
cp "$DOCS/t.css" "$WORK/new.css"
kill_pindle
cmp -s "$WORK/old.css" "$WORK/new.css" && fail "the typed character did not reach the saved file"
[ "$(stat -c %U "$DOCS/t.css")" = root ] || fail "nobody's save in the sticky folder took the file over"

old=0 new=0 mixed=0 lost=0 copies=0 named=0 temporaries=0
round=0
for place in sticky locked; do
  DOCS=$WORK/$place
  kills=$KILLS
  [ "$place" = locked ] && kills=1
  for i in $(seq "$kills"); do
    round=$((round + 1))
    fresh_file
    if [ "$place" = sticky ]; then
      edit_then_file_menu "$DOCS/t.css" "${AS_NOBODY[@]}"
      delay=$((save_ms * (i - 1) / kills))
    else
      chmod 555 "$DOCS"
      edit_then_file_menu "$DOCS/t.css" "${NO_CAPS[@]}"
      delay=$((save_ms / 2))
    fi
    xdotool key s
    sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
    kill_pindle
    copy=$( (ls -d "$DOCS"/t.css~pindle-backup* "$HOME"/.local/state/pindle/t.css~pindle-backup* \
      "$WORK"/nobody/.local/state/pindle/t.css~pindle-backup* 2>/dev/null || true) | head -1)
    if cmp -s "$WORK/old.css" "$DOCS/t.css"; then old=$((old + 1)); kind=old
    elif cmp -s "$WORK/new.css" "$DOCS/t.css"; then new=$((new + 1)); kind=new
    else
      mixed=$((mixed + 1)); kind=mixed
      { [ -n "$copy" ] && cmp -s "$copy" "$WORK/old.css"; } || { lost=$((lost + 1)); kind="mixed, old content lost"; }
    fi
    left=$(ls -A "$DOCS" | { grep -vx t.css || true; } | tr '\n' ' ')
    if [ -n "$copy" ]; then
      copies=$((copies + 1))
      [ "$(stat -c %a "$copy")" = 600 ] || fail "the copy $copy is open to others: mode $(stat -c %a "$copy")"
      # Open, by the user whose save made the copy, names it in the program's warning box.
      if [ "$place" = sticky ]; then start_pindle "${AS_NOBODY[@]}"; else start_pindle "${NO_CAPS[@]}"; fi
      file_dialog o "$DOCS/t.css" "Open"
      if BOX=$(wait_window "Warning"); then
        named=$((named + 1))
        focus "$BOX"
        xdotool key Return
        wait_gone "Warning" || fail "the warning box did not close"
      fi
      stop_pindle
      rm -f "$copy"
    fi
    echo "kill $round ($place), ${delay} of ${save_ms} ms into the save: $kind${left:+; beside it: $left}${copy:+; copy $copy}"
    [ "$place" = locked ] && chmod 755 "$DOCS"
    rm -f "$DOCS"/t.css~pindle-backup*
  done
done
# The kills' temporary files go with the next save of the same user: in the sticky folder, and in
# the state folder where the save in the locked folder kept its copy.
DOCS=$WORK/sticky
fresh_file
start_pindle "${AS_NOBODY[@]}"
open_file "$DOCS/t.css"
save_file
DOCS=$WORK/locked
fresh_file
chmod 555 "$DOCS"
start_pindle "${NO_CAPS[@]}"
open_file "$DOCS/t.css"
save_file
stop_pindle
chmod 755 "$DOCS"
LEFT=$( (ls -A "$WORK/sticky" "$WORK/locked"; ls -A "$HOME/.local/state/pindle" 2>/dev/null) |
  { grep -vxE 't.css||.*:' || true; })
temporaries=$(printf '%s' "$LEFT" | grep -c . || true)
echo "$round kills during in-place saves of $MB MB: old $old, new $new, mixed $mixed (old content lost $lost);" \
  "copies kept $copies, named at Open $named; files left after the next save $temporaries"
[ "$lost" -eq 0 ] || fail "$lost kills lost the old content"
[ "$named" -eq "$copies" ] || fail "Open named only $named of $copies copies"
[ "$temporaries" -eq 0 ] || fail "the next save left files behind: $LEFT"
fi
echo "PASS"
