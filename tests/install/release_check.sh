#!/usr/bin/env bash
# The release check, on a copy of this tree: a Release build of everything (program, tests,
# benchmarks) with the given compiler and warnings as errors, then `make package`. Then the project
# version changes and a second package must be built with the new version in its name, its fields,
# the program's version block, the AppStream release, the manual page and the changelog; lintian
# finds no error and no warning in either package. The second package is made in a temporary folder
# and removed: only the release's own package stays in FOLDER/src, for the user to install. Last,
# `make install` honours DESTDIR, and into a read-only prefix it fails with the install tool's error.
set -euo pipefail

out=$(realpath -m "${1:?usage: release_check.sh FOLDER COMPILER}")
cxx=${2:?usage: release_check.sh FOLDER COMPILER}
top=$(cd "$(dirname "$0")/../.." && pwd)
src=$out/src
build=$out/build

fail() {
  echo "release check: FAIL: $*"
  exit 1
}
step() { echo "release check: $*"; }

command -v "$cxx" >/dev/null || fail "$cxx is not installed (scripts/setup installs it)"
git -C "$top" rev-parse --git-dir >/dev/null 2>&1 || fail "$top is not a git checkout: the copy is made of its files"

# The copy keeps the files' times, so a second run rebuilds only what changed since the first.
step "copying the tree to $src"
rm -rf "$src"
mkdir -p "$src"
(cd "$top" && git ls-files -z --cached --others --exclude-standard |
  tar --null --files-from=- --ignore-failed-read -cf - 2>/dev/null) | tar -xf - -C "$src"

version=$(sed -n 's/^project(Pindle VERSION \([0-9.]*\) .*/\1/p' "$src/CMakeLists.txt")
[ -n "$version" ] || fail "no project version in CMakeLists.txt"

make_in_copy() {
  make --no-print-directory -C "$src" BUILD="$build" BUILD_TYPE=Release BUILD_CXX="$cxx" "$@"
}

# check_package VERSION FOLDER: the package that was made into FOLDER for that version, and what it holds.
check_package() {
  local v=$1 deb="$2/pindle_$1_amd64.deb" unpacked="$out/unpacked"
  [ -f "$deb" ] || fail "no $(basename "$deb") was made"
  [ "$deb" -nt "$stamp" ] || fail "$(basename "$deb") is older than this package build"
  [ "$(dpkg-deb -f "$deb" Version)" = "$v" ] || fail "the package's Version is $(dpkg-deb -f "$deb" Version), not $v"
  lintian --display-info --fail-on error,warning "$deb" >"$out/lintian.log" 2>&1 ||
    { cat "$out/lintian.log"; fail "lintian reports errors or warnings in $(basename "$deb")"; }
  rm -rf "$unpacked"
  dpkg-deb -x "$deb" "$unpacked"
  strings -el "$unpacked/usr/bin/pindle" | grep -qx "$v" || fail "the packaged program's version block is not $v"
  grep -q "<release version=\"$v\"" "$unpacked/usr/share/metainfo/example.quillmere.Pindle.metainfo.xml" ||
    fail "the AppStream release is not $v"
  zgrep -q "^\.TH PINDLE 1 .*\"Pindle $v\"" "$unpacked/usr/share/man/man1/pindle.1.gz" || fail "the manual page is not of $v"
  zcat "$unpacked/usr/share/doc/pindle/changelog.gz" | head -n 1 | grep -q "^pindle ($v) " ||
    fail "the changelog's first entry is not of $v"
}

step "Release build with $cxx and make package ($version)"
stamp=$out/stamp
touch "$stamp"
make_in_copy package
check_package "$version" "$src"

next=${version%.*}.$((${version##*.} + 1))
step "the version becomes $next: a second package, in a temporary folder"
upgrade=$(mktemp -d)
trap 'rm -rf "$upgrade"' EXIT
sed -i "s/^project(Pindle VERSION $version /project(Pindle VERSION $next /" "$src/CMakeLists.txt"
sleep 1
touch "$stamp"
make_in_copy build
(cd "$build" && cpack -D CPACK_OUTPUT_FILE_PREFIX="$upgrade" >"$out/cpack-$next.log") ||
  { cat "$out/cpack-$next.log"; fail "cpack of $next failed"; }
check_package "$next" "$upgrade"
[ ! -e "$src/pindle_${next}_amd64.deb" ] || fail "the $next package was left beside the release's"

step "make install DESTDIR=..."
rm -rf "$out/stage"
make_in_copy install DESTDIR="$out/stage" >"$out/install.log"
strings -el "$out/stage/usr/local/bin/pindle" | grep -qx "$next" || fail "make install put no $next program under DESTDIR/usr/local"

# Root may write into a folder of mode 555: the install runs without that power, as a user would.
step "make install into a read-only prefix"
readonly_prefix=$out/read-only
rm -rf "$readonly_prefix"
mkdir -p "$readonly_prefix"
chmod 555 "$readonly_prefix"
as_user=()
[ "$(id -u)" -eq 0 ] && as_user=(setpriv --bounding-set=-dac_override,-dac_read_search --)
if "${as_user[@]}" make --no-print-directory -C "$src" BUILD="$build" BUILD_TYPE=Release BUILD_CXX="$cxx" \
  install PREFIX="$readonly_prefix" >"$out/readonly.log" 2>&1; then
  fail "make install into the read-only $readonly_prefix succeeded"
fi
# CMake wraps its message at the width of a terminal: the lines are joined before the search.
tr -s ' \n' ' ' <"$out/readonly.log" | grep "cannot create directory: $readonly_prefix/bin" >/dev/null ||
  { cat "$out/readonly.log"; fail "make install into a read-only prefix did not say why it failed"; }
[ -z "$(ls -A "$readonly_prefix")" ] || fail "make install left files in the read-only prefix"
chmod 755 "$readonly_prefix"
# The copy is the release's tree again.
sed -i "s/^project(Pindle VERSION $next /project(Pindle VERSION $version /" "$src/CMakeLists.txt"
step "passed"
