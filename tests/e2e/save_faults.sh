# Steps of run_e2e.sh (sourced by it, with its helpers): saves that the system refuses or limits.
# Each step starts its own pindle as a user meets it: under a file size limit, Save As onto a
# named pipe, and Save in a folder that takes no new file, without the capabilities that let root
# write anywhere.

# 8. Under a file size limit below the document's size, Save As fails with an error box instead of
#    killing the program; nothing is left in the folder, and once the limit is raised the same
#    document saves whole.
BIG="$WORK/big.css"
{
  crlf "$BEGIN" "$WARN" "$END"
  awk 'BEGIN { for (i = 0; i < 23000; i++) printf ".rule%05d {margin:%dpx;padding:1px 2px 3px 4px;color:#123456}\r\n", i, i % 50 }'
} >"$BIG"
[ "$(stat -c %s "$BIG")" -gt 1000000 ] || fail "the large test file is too small"
mkdir "$WORK/limited"
start_pindle prlimit --fsize=500000:unlimited
file_dialog o "$BIG" "Open"
wait_caption "$MAIN" "Pindle - [ $BIG]" || fail "caption after opening the large file: $(xdotool getwindowname "$MAIN")"
file_dialog a "$WORK/limited/out.css" "Save As"
BOX=$(wait_error_box) || { still_running "during a save under a file size limit"; fail "no error box after a save under a file size limit"; }
still_running "during a save under a file size limit"
close_error_box "$BOX"
[ -z "$(ls -A "$WORK/limited")" ] || fail "a save under a file size limit left: $(ls -A "$WORK/limited")"
[ "$(xdotool getwindowname "$MAIN")" = "Pindle - [ $BIG]" ] || fail "the failed save changed the caption"
prlimit --pid "$PINDLE_PID" --fsize=unlimited:unlimited
file_dialog a "$WORK/limited/out.css" "Save As"
confirm_information
expect_file "$WORK/limited/out.css" "$BIG"
echo "ok: a save under a file size limit shows an error, leaves nothing and loses nothing"

# 9. Save As onto a named pipe is refused at once with an error box; the window goes on working.
mkfifo "$WORK/pipe.css"
start_pindle
save_as_replacing "$WORK/pipe.css"
BOX=$(wait_error_box) || fail "no error box after Save As onto a pipe: the program waits in the open"
close_error_box "$BOX"
[ -p "$WORK/pipe.css" ] || fail "the pipe was replaced"
file_dialog a "$WORK/after-pipe.css" "Save As"
confirm_information
expect_file "$WORK/after-pipe.css" "$WORK/expected1"
echo "ok: save as onto a pipe is refused without waiting"

# 10. A writable file in a folder of mode 555 saves (in place) for a user whom the folder refuses a
#    new file. Root writes anywhere through CAP_DAC_OVERRIDE, so the program runs without it.
DROP=()
if [ "$(id -u)" = 0 ]; then
  caps=-dac_override,-dac_read_search
  DROP=(setpriv --inh-caps="$caps" --ambient-caps="$caps" --bounding-set="$caps" --)
fi
mkdir "$WORK/locked"
crlf "body {margin:0}" >"$WORK/locked/site.css"
chmod 666 "$WORK/locked/site.css"
chmod 555 "$WORK/locked"
if "${DROP[@]}" sh -c ": >'$WORK/locked/probe'" 2>/dev/null; then
  fail "the folder of mode 555 is writable even without the capabilities"
fi
start_pindle "${DROP[@]}"
CAPS=$(sed -n 's/^CapEff:\t*//p' "/proc/$PINDLE_PID/status")
(((0x$CAPS >> 1) & 3)) && fail "the program still has CAP_DAC_OVERRIDE or CAP_DAC_READ_SEARCH ($CAPS)"
file_dialog o "$WORK/locked/site.css" "Open"
wait_caption "$MAIN" "Pindle - [ $WORK/locked/site.css]" || fail "caption after opening the locked file"
BOX=$(menu_command f s "Information") || {
  wait_error_box >/dev/null && fail "Save of a writable file in a read-only folder showed an error box"
  fail "no Information message after the save in a read-only folder"
}
confirm_information "$BOX"
crlf "$BEGIN" "$WARN" "$END" "body {margin:0}" >"$WORK/expected6"
expect_file "$WORK/locked/site.css" "$WORK/expected6"
[ "$(ls -A "$WORK/locked")" = "site.css" ] || fail "the read-only folder now holds: $(ls -A "$WORK/locked")"
chmod 755 "$WORK/locked"
echo "ok: a writable file in a read-only folder saves"

stop_pindle
