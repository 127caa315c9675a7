#!/usr/bin/env bash
# Another user of the same machine attacks a save: one table of attacks, each played with two users
# (A saves, B attacks) in the folders that users share: a group folder, a sticky folder such as /tmp,
# root saving in a shared folder. strace holds A's save at a chosen system call (delay_enter) while B
# swaps names, plants links or copies, or saves the same file; or it makes a call fail.
# Every attack ends one of two ways only: the save succeeds and the file named holds the whole new
# content, or it is refused and every file is as it was (or the old content is in a named copy that
# A alone can read); and no file that B can read holds anything of A's.
#   save_attacks.sh path/to/pindle_open_save [CASE...]
set -euo pipefail

SAVE=${1:?usage: save_attacks.sh path/to/pindle_open_save [CASE...]}
shift
CASES=${*:-}
if [ "$(id -u)" != 0 ]; then
  echo "SKIPPED: playing two users needs root"
  exit 77
fi
if [ "$(uname -m)" != x86_64 ]; then
  echo "SKIPPED: the held system calls are numbered for x86-64"
  exit 77
fi
for tool in setpriv setfacl strace; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
SAVE=$(realpath "$SAVE")

WORK=$(mktemp -d)
HELD=""
cleanup() {
  [ -n "$HELD" ] && kill -9 "$HELD" 2>/dev/null
  wait 2>/dev/null || true
  mountpoint -q "$WORK/full" 2>/dev/null && umount "$WORK/full"
  rm -rf "$WORK" /var/tmp/t$$.css~pindle-backup* /var/tmp/f$$.css~pindle-backup* 2>/dev/null || true
}
trap cleanup EXIT
chmod 755 "$WORK"

# The two users and the group they share; the ids are unlikely to belong to anyone.
A=61001 B=61002 G=61000
mkdir -m 700 "$WORK/a" "$WORK/b"
chown $A:$A "$WORK/a"
chown $B:$B "$WORK/b"
AS_A=(env HOME="$WORK/a" setpriv --reuid=$A --regid=$A --groups=$G --)
AS_B=(env HOME="$WORK/b" setpriv --reuid=$B --regid=$B --groups=$G --)
as_a() { "${AS_A[@]}" "$@"; }
as_b() { "${AS_B[@]}" "$@"; }
SECRET="A's secret $RANDOM$RANDOM"
crlf() { printf '%s\r\n' "$@"; }
NEW_LINE="p {margin:1px}"  # what every save adds to the file

# x86-64 numbers of the calls that a save is held at.
declare -A NR=([openat]=257 [ftruncate]=77 [write]=1 [fsync]=74)

# hold CALL N MICROSECONDS FILE -- COMMAND...: runs COMMAND in the background (its output in
# $WORK/out) under strace, which holds its Nth CALL on FILE for that long; returns once the call is
# being held. HELD is the command's process.
hold() {
  local call=$1 nth=$2 us=$3 file=$4 line=""
  shift 5
  rm -f "$WORK/pid" "$WORK/out"
  strace -f -qq -o "$WORK/strace.log" -P "$file" -P "$(basename "$file")" -e trace="$call" \
    -e inject="$call:delay_enter=$us:when=$nth" \
    sh -c 'echo $$ >"$0"; exec "$@"' "$WORK/pid" "$@" >"$WORK/out" 2>&1 &
  for _ in $(seq 400); do
    [ -s "$WORK/pid" ] && break
    sleep 0.025
  done
  HELD=$(cat "$WORK/pid")
  # Held: stopped at the entry of that call with the same arguments for a while.
  local last="" same=0
  for _ in $(seq 400); do
    line=$(cat "/proc/$HELD/syscall" 2>/dev/null || true)
    if [ "${line%% *}" = "${NR[$call]}" ] && [ "$line" = "$last" ]; then
      same=$((same + 1))
      [ "$same" -ge 4 ] && return 0
    else
      same=0
    fi
    last=$line
    sleep 0.025
  done
  echo "the save was never held at $call #$nth"
  return 1
}
# finish: waits for the held command; its output is in $WORK/out.
finish() {
  wait "$!" 2>/dev/null || true
  HELD=""
}

# leaked_to_b FILE...: whether B can read the secret in any of the files.
leaked_to_b() {
  local f
  for f in "$@"; do
    [ -e "$f" ] || continue
    as_b cat "$f" 2>/dev/null | grep -qF "$SECRET" && { echo "B reads the secret in $f"; return 0; }
  done
  return 1
}
secret_file() {
  crlf "$SECRET" >"$WORK/a/secret.txt"
  chown $A:$A "$WORK/a/secret.txt"
  chmod 600 "$WORK/a/secret.txt"
}
secret_kept() { [ "$(cat "$WORK/a/secret.txt")" = "$(crlf "$SECRET")" ]; }
saved() { grep -qx saved "$WORK/out"; }
# ends_whole FILE: the save succeeded and FILE holds the new content, or it was refused.
ends_whole() {
  if saved; then
    tail -c 100 "$1" | grep -qF "$NEW_LINE" || { echo "the save succeeded but $1 lacks the new content"; return 1; }
  else
    grep -q '^error: ' "$WORK/out" || { echo "neither saved nor refused: $(cat "$WORK/out")"; return 1; }
  fi
}
# new_folder NAME MODE OWNER: an empty folder.
new_folder() {
  rm -rf "${WORK:?}/$1"
  mkdir "$WORK/$1"
  chown "$3" "$WORK/$1"
  chmod "$2" "$WORK/$1"
}

# 1. Check, then open by name: in a group folder A saves B's file (in place, as A cannot give it
#    to B); held before its open, B puts a link to A's secret in its place.
attack_swap_before_open() {
  secret_file
  new_folder g 2775 0:$G
  as_b sh -c "umask 0; printf 'a {color:red}\r\n' >'$WORK/g/shared.css'"
  hold openat 2 3000000 "$WORK/g/shared.css" -- "${AS_A[@]}" "$SAVE" "$WORK/g/shared.css" "$NEW_LINE" || return 1
  as_b ln -sfn "$WORK/a/secret.txt" "$WORK/g/shared.css"
  finish
  secret_kept || { echo "A's secret was overwritten: $(cat "$WORK/out")"; return 1; }
  leaked_to_b "$WORK"/g/* "$WORK"/g/.[!.]* /var/tmp/shared.css~pindle-backup* && return 1
  saved && { echo "the save went on after the name changed under it"; return 1; }
  ends_whole "$WORK/g/shared.css"
}

# 2. A link that the protected kernel would not follow: B's link in a sticky folder to A's secret,
#    saved by A; and B's dangling link into root's private folder, saved by root.
attack_sticky_links() {
  secret_file
  new_folder t 1777 0:0
  new_folder rootonly 700 0:0
  as_b ln -s "$WORK/a/secret.txt" "$WORK/t/x.css"
  as_b ln -s "$WORK/rootonly/cron-job" "$WORK/t/y.css"
  as_a "$SAVE" "$WORK/t/x.css" "$NEW_LINE" >"$WORK/out" 2>&1 || true
  secret_kept || { echo "A's save through B's link overwrote the secret: $(cat "$WORK/out")"; return 1; }
  grep -qx 'error: File access denied' "$WORK/out" || { echo "A's save through B's link: $(cat "$WORK/out")"; return 1; }
  "$SAVE" --save-only "$WORK/t/y.css" "$NEW_LINE" >"$WORK/out" 2>&1 || true
  [ ! -e "$WORK/rootonly/cron-job" ] || { echo "root's save through B's dangling link created rootonly/cron-job"; return 1; }
  grep -qx 'error: File access denied' "$WORK/out" || { echo "root's save through B's link: $(cat "$WORK/out")"; return 1; }
  # A's own link there is followed, as the kernel follows it.
  as_a ln -s "$WORK/a/mine.css" "$WORK/t/z.css"
  as_a "$SAVE" --save-only "$WORK/t/z.css" "$NEW_LINE" >"$WORK/out" 2>&1 || true
  saved && [ -f "$WORK/a/mine.css" ] || { echo "A's save through A's own link: $(cat "$WORK/out")"; return 1; }
}

# 3. The copy of the old content, held before the file is rewritten: a 0644 file in A's private
#    folder that takes no new file, with HOME unset (the copy goes to /var/tmp); and a 0644 file with
#    a second link whose ACL shuts B out (the copy goes beside it).
attack_read_the_copy() {
  mkdir -p "$WORK/a/priv"
  crlf "$SECRET" >"$WORK/a/priv/t$$.css"
  chown -R $A:$A "$WORK/a/priv"
  chmod 644 "$WORK/a/priv/t$$.css"
  chmod 500 "$WORK/a/priv"
  hold ftruncate 1 2000000 "$WORK/a/priv/t$$.css" -- env -u HOME setpriv --reuid=$A --regid=$A --groups=$G -- \
    "$SAVE" "$WORK/a/priv/t$$.css" "$NEW_LINE" || return 1
  local copies=(/var/tmp/t$$.css~pindle-backup*)
  [ -e "${copies[0]}" ] || { echo "no copy in /var/tmp while the file is rewritten"; finish; return 1; }
  leaked_to_b "${copies[@]}" && { finish; return 1; }
  finish
  chmod 700 "$WORK/a/priv"
  ends_whole "$WORK/a/priv/t$$.css"

  new_folder acl 755 $A:$A
  crlf "$SECRET" >"$WORK/acl/t.css"
  chown $A:$A "$WORK/acl/t.css"
  chmod 644 "$WORK/acl/t.css"
  ln "$WORK/acl/t.css" "$WORK/acl/u.css"
  setfacl -m u:$B:--- "$WORK/acl/t.css"
  leaked_to_b "$WORK/acl/t.css" && { echo "the ACL does not shut B out"; return 1; }
  hold ftruncate 1 2000000 "$WORK/acl/t.css" -- "${AS_A[@]}" "$SAVE" "$WORK/acl/t.css" "$NEW_LINE" || return 1
  [ -e "$WORK/acl/t.css~pindle-backup" ] || { echo "no copy beside the file while it is rewritten"; finish; return 1; }
  leaked_to_b "$WORK"/acl/*~pindle-backup* && { finish; return 1; }
  finish
  ends_whole "$WORK/acl/t.css"
}

# 4. Two saves of one file in place at once: A's save of a 2.5 MB file with two links is held
#    between two of its writes while B saves the same file with other content. The file ends as the
#    one or the other save wrote it, never a mix.
attack_overlapping_saves() {
  new_folder h 2775 0:$G
  awk 'BEGIN { for (i = 0; i < 100000; i++) printf "a.r%d {margin:%dpx}\r\n", i, i % 9 }' >"$WORK/h/t.css"
  chown $A:$G "$WORK/h/t.css"
  chmod 664 "$WORK/h/t.css"
  ln "$WORK/h/t.css" "$WORK/h/u.css"
  # What each save alone writes.
  cp "$WORK/h/t.css" "$WORK/h-a"
  "$SAVE" "$WORK/h-a" "$NEW_LINE" >/dev/null
  "$SAVE" --save-only "$WORK/h-b" "$NEW_LINE" >/dev/null
  hold write 2 5000000 "$WORK/h/t.css" -- "${AS_A[@]}" "$SAVE" "$WORK/h/t.css" "$NEW_LINE" || return 1
  as_b "$SAVE" --save-only "$WORK/h/t.css" "$NEW_LINE" >"$WORK/out-b" 2>&1 || true
  finish
  if cmp -s "$WORK/h/t.css" "$WORK/h-a"; then
    grep -q '^error: .*another save' "$WORK/out-b" || { echo "B's save, overwritten by A's: $(cat "$WORK/out-b")"; return 1; }
  elif cmp -s "$WORK/h/t.css" "$WORK/h-b"; then
    saved || grep -q '^error: .*another save' "$WORK/out" || { echo "A's save, overwritten by B's: $(cat "$WORK/out")"; return 1; }
  else
    echo "the file is neither save's content (A: $(head -1 "$WORK/out"), B: $(head -1 "$WORK/out-b"))"
    return 1
  fi
  saved || { echo "A's save: $(cat "$WORK/out")"; return 1; }
}

# 5. A save whose putting back fails too: EIO at the fsync of the new content, then at the ftruncate
#    of the restore. The error names the copy that holds the old content, readable by A alone.
attack_restore_fails() {
  new_folder r 755 $A:$A
  crlf "a {color:red}" >"$WORK/r/t.css"
  cp "$WORK/r/t.css" "$WORK/r-old"
  chown $A:$A "$WORK/r/t.css"
  ln "$WORK/r/t.css" "$WORK/r/u.css"
  strace -f -qq -o /dev/null -P "$WORK/r/t.css" -P t.css -e trace=fsync,ftruncate \
    -e inject=fsync:error=EIO:when=1 -e inject=ftruncate:error=EIO:when=2 \
    -- "${AS_A[@]}" "$SAVE" "$WORK/r/t.css" "$NEW_LINE" >"$WORK/out" 2>&1 || true
  local copy
  copy=$(sed -n 's/^error: I\/O error 5\..* kept in \(.*\)$/\1/p' "$WORK/out")
  [ -n "$copy" ] || { echo "the failed save does not name the copy: $(cat "$WORK/out")"; return 1; }
  cmp -s "$copy" "$WORK/r-old" || { echo "the named copy $copy does not hold the old content"; return 1; }
  [ "$(stat -c '%u %a' "$copy")" = "$A 600" ] ||
    { echo "the copy is $(stat -c '%u %a' "$copy")"; return 1; }
  # The next Open of the file names it too.
  as_a "$SAVE" --open-only "$WORK/r/t.css" | grep -qxF "warning: $copy" || { echo "Open does not name $copy"; return 1; }
}

# 6. Copies planted by B beside A's file in a sticky folder: a file, a link and a pipe, and the
#    numbered names up to 1000. Neither Open nor Save names them, and the save in place goes on.
attack_planted_copies() {
  new_folder s 1777 0:0
  crlf "a {color:red}" >"$WORK/s/victim.css"
  chown $A:$A "$WORK/s/victim.css"
  as_a ln "$WORK/s/victim.css" "$WORK/s/other.css"
  as_b sh -c "cd '$WORK/s' && echo B >victim.css~pindle-backup && ln -s /etc/passwd victim.css~pindle-backup.2 &&
    mkfifo victim.css~pindle-backup.3 && for n in \$(seq 4 1000); do : >victim.css~pindle-backup.\$n; done"
  as_a "$SAVE" "$WORK/s/victim.css" "$NEW_LINE" >"$WORK/out" 2>&1 || true
  grep -q '^warning: ' "$WORK/out" && { echo "B's files are named: $(grep -c '^warning' "$WORK/out") warnings"; return 1; }
  saved || { echo "the save in place: $(cat "$WORK/out")"; return 1; }
  ends_whole "$WORK/s/victim.css"
  [ "$(find "$WORK/s" -user $A -name '*pindle*' | wc -l)" = 0 ] || { echo "A's copy stayed"; return 1; }
}

# 7. The file's folder takes no new file and the state folder's disk is full: the copy goes to
#    /var/tmp and the save succeeds.
attack_full_state_folder() {
  mkdir -p "$WORK/full"
  mount -t tmpfs -o size=64k,mode=700 tmpfs "$WORK/full" || { echo "SKIPPED: cannot mount a small tmpfs"; return 0; }
  mkdir -p "$WORK/full/.local/state/pindle"
  chown -R $A:$A "$WORK/full"
  head -c 200000 /dev/zero >"$WORK/full/filler" 2>/dev/null || true
  new_folder ro 755 $A:$A
  awk 'BEGIN { for (i = 0; i < 3000; i++) printf "a.r%d {margin:%dpx}\r\n", i, i % 9 }' >"$WORK/ro/f$$.css"
  chown $A:$A "$WORK/ro/f$$.css"
  chmod 555 "$WORK/ro"
  env HOME="$WORK/full" setpriv --reuid=$A --regid=$A --groups=$G -- "$SAVE" "$WORK/ro/f$$.css" "$NEW_LINE" >"$WORK/out" 2>&1 || true
  umount "$WORK/full"
  chmod 755 "$WORK/ro"
  saved || { echo "the save with a full state folder: $(cat "$WORK/out")"; return 1; }
  ends_whole "$WORK/ro/f$$.css"
}

# 8. A copy left by a killed save, in the state folder as the file's folder takes no new file, is
#    named whichever way the file is opened: through a linked folder, with "." in its path, or by its
#    other hard link in another folder.
attack_copy_by_other_name() {
  new_folder k 755 $A:$A
  new_folder k2 755 $A:$A
  crlf "a {color:red}" >"$WORK/k/t.css"
  chown $A:$A "$WORK/k/t.css"
  ln "$WORK/k/t.css" "$WORK/k2/other.css"
  chmod 555 "$WORK/k"
  ln -sfn "$WORK/k" "$WORK/a/linked"
  hold ftruncate 1 3000000 "$WORK/k/t.css" -- "${AS_A[@]}" "$SAVE" "$WORK/k/t.css" "$NEW_LINE" || return 1
  kill -9 "$HELD"
  finish
  chmod 755 "$WORK/k"
  local name
  for name in "$WORK/k/t.css" "$WORK/a/linked/t.css" "$WORK/k/./t.css" "$WORK/k2/other.css"; do
    as_a "$SAVE" --open-only "$name" | grep -q '^warning: .*t.css~pindle-backup' || { echo "Open of $name names no copy"; return 1; }
  done
}

# 9. Files that tell no size open with their content.
attack_unsized_files() {
  local name lines
  for name in /proc/cpuinfo /proc/self/status; do
    lines=$(as_a "$SAVE" --open-only "$name" | sed -n 's/^opened: \([0-9]*\) lines$/\1/p')
    [ "${lines:-0}" -gt 3 ] || { echo "$name opens with ${lines:-no} lines"; return 1; }
  done
}

# 10. A disk that fails in the middle of an Open: EIO at the fourth read of a 5 MB file, which is
#     read ahead on a thread of its own. The Open reports the error and reads no line; the file is
#     not touched.
attack_read_fails() {
  new_folder e 755 $A:$A
  head -c 5000000 /dev/zero | tr '\0' 'x' | fold -w 60 >"$WORK/e/t.css"
  cp "$WORK/e/t.css" "$WORK/e-old"
  chown $A:$A "$WORK/e/t.css"
  strace -f -qq -o /dev/null -P "$WORK/e/t.css" -e trace=read -e inject=read:error=EIO:when=4 \
    -- "${AS_A[@]}" "$SAVE" --open-only "$WORK/e/t.css" >"$WORK/out" 2>&1 || true
  grep -qx 'error: I/O error 5' "$WORK/out" || { echo "the failed Open says: $(head -c 300 "$WORK/out")"; return 1; }
  cmp -s "$WORK/e/t.css" "$WORK/e-old" || { echo "the file changed"; return 1; }
}

failed=0
for attack in swap_before_open sticky_links read_the_copy overlapping_saves restore_fails planted_copies \
  full_state_folder copy_by_other_name unsized_files read_fails; do
  [ -z "$CASES" ] || [[ " $CASES " == *" $attack "* ]] || continue
  if why=$("attack_$attack" 2>&1); then
    echo "ok: $attack${why:+ ($why)}"
  else
    echo "FAIL: $attack: $why"
    failed=$((failed + 1))
  fi
done
[ "$failed" = 0 ] && echo PASS
exit $((failed > 0))
