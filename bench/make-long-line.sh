#!/bin/sh
# Writes OUT: the shared minified Bootstrap repeated on one single line (its own line ends taken out)
# until OUT holds MB million bytes (default 10), then one line end. The long-line case of bench_open:
#   bench/make-long-line.sh /tmp/long-line.css 10 && build/bench/open/bench_open --file=/tmp/long-line.css
# With BETWEEN=1 in the environment the long line stands between two short rules, so that an edit in
# it has a line after it whose start state the editor must keep right.
set -eu
out=${1:?usage: [BETWEEN=1] make-long-line.sh OUT [MB] [BENCH_DATA_DIR]}
mb=${2:-10}
data=${3:-$(cd "$(dirname "$0")/../.." && pwd)/shared/bench-data}
min="$data/bootstrap.min.css"
[ -r "$min" ] || { echo "make-long-line.sh: cannot read $min (give the bench data folder as third argument)" >&2; exit 1; }
piece=$(mktemp)
trap 'rm -f "$piece"' EXIT
tr -d '\r\n' < "$min" > "$piece"
: > "$out"
[ "${BETWEEN:-0}" = 1 ] && printf 'a { color: red }\n' >> "$out"
while [ "$(stat -c %s "$out")" -lt $((mb * 1000000)) ]; do
  cat "$piece" >> "$out"
done
printf '\n' >> "$out"
[ "${BETWEEN:-0}" = 1 ] && printf 'b { color: blue }\n' >> "$out"
exit 0
