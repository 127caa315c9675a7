#!/usr/bin/env bash
# `cmake --install` of the build folder as a desktop gets it: every file in its place under the
# prefix (DESTDIR honoured), the launcher entry and the AppStream data accepted by their validators,
# the manual page rendered without a warning; and an install into a read-only prefix failing with
# the install tool's own error and leaving nothing behind.
set -euo pipefail

BUILD=${1:?usage: check_install.sh BUILD_FOLDER VERSION}
VERSION=${2:?usage: check_install.sh BUILD_FOLDER VERSION}
ID=example.quillmere.Pindle
for tool in desktop-file-validate appstreamcli man; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed (scripts/setup installs it)"
    exit 77
  fi
done

WORK=$(mktemp -d)
trap 'chmod -R u+w "$WORK"; rm -rf "$WORK"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

DESTDIR="$WORK/stage" cmake --install "$BUILD" --prefix /opt/pindle >"$WORK/install.log" 2>&1 ||
  { cat "$WORK/install.log"; fail "cmake --install failed"; }
root=$WORK/stage/opt/pindle
[ -d "$root" ] || fail "nothing installed under DESTDIR/opt/pindle"

expected=(
  bin/pindle
  share/applications/$ID.desktop
  share/doc/pindle/changelog.gz
  share/doc/pindle/copyright
  share/metainfo/$ID.metainfo.xml
  share/man/man1/pindle.1.gz
  share/icons/hicolor/scalable/apps/$ID.svg
)
for size in 16 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/$ID.png")
done
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$root" && find . -type f -printf '%P\n' | sort) ||
  fail "the installed files differ from the expected ones (< expected, > installed)"
[ -x "$root/bin/pindle" ] || fail "bin/pindle is not executable"

for size in 16 32 48 64 128 256; do
  file "$root/share/icons/hicolor/${size}x${size}/apps/$ID.png" | grep -q "PNG image data, $size x $size," ||
    fail "the ${size}x${size} icon is not a $size by $size PNG"
done

desktop=$root/share/applications/$ID.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate refused $ID.desktop"
# The program takes no arguments: no field codes, no file types it would be offered.
grep -qx 'Exec=pindle' "$desktop" || fail "Exec is not exactly pindle"
grep -qx "Icon=$ID" "$desktop" || fail "the launcher does not name the icon $ID"
! grep -q '^MimeType=' "$desktop" || fail "the launcher claims file types"

metainfo=$root/share/metainfo/$ID.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$WORK/appstream.log" 2>&1 ||
  { cat "$WORK/appstream.log"; fail "appstreamcli refused the AppStream data"; }
grep -q "<id>$ID</id>" "$metainfo" || fail "the AppStream id is not $ID"
grep -q "<release version=\"$VERSION\"" "$metainfo" || fail "the AppStream release is not $VERSION"

manual=$root/share/man/man1/pindle.1.gz
zgrep -q "^\.TH PINDLE 1 .*\"Pindle $VERSION\"" "$manual" || fail "the manual page is not of $VERSION"
zcat "$root/share/doc/pindle/changelog.gz" | head -n 1 | grep -q "^pindle ($VERSION) " ||
  fail "the changelog's first entry is not of $VERSION"
warnings=$(MANWIDTH=80 man --warnings -l "$manual" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the manual page renders with warnings: $warnings"

# As root a folder of mode 555 is writable: the install runs without that power, as a user would.
readonly_prefix=$WORK/read-only
mkdir "$readonly_prefix"
chmod 555 "$readonly_prefix"
as_user=()
[ "$(id -u)" -eq 0 ] && as_user=(setpriv --bounding-set=-dac_override,-dac_read_search --)
if "${as_user[@]}" cmake --install "$BUILD" --prefix "$readonly_prefix" >"$WORK/readonly.log" 2>&1; then
  fail "the install into the read-only $readonly_prefix succeeded"
fi
# CMake wraps its message at the width of a terminal: the lines are joined before the search.
tr -s ' \n' ' ' <"$WORK/readonly.log" | grep "cannot create directory: $readonly_prefix/bin" >/dev/null ||
  { cat "$WORK/readonly.log"; fail "the failed install did not say why"; }
[ -z "$(ls -A "$readonly_prefix")" ] || fail "the failed install left files behind"
echo "passed"
