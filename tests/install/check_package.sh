#!/usr/bin/env bash
# The Debian package as a user gets it: CPack builds it from this build folder; its name, fields,
# dependencies and files; lintian finds no error and no warning in it; and the program unpacked
# from it starts on an X server of its own and shows its main window.
set -euo pipefail

BUILD=${1:?usage: check_package.sh BUILD_FOLDER VERSION}
VERSION=${2:?usage: check_package.sh BUILD_FOLDER VERSION}
ID=example.quillmere.Pindle
for tool in cpack dpkg-deb dpkg-shlibdeps file lintian; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed (scripts/setup installs it)"
    exit 77
  fi
done

# The work folder, the clean-up, fail and an X server of its own, as the end-to-end tests have them.
source "$(dirname "$0")/../e2e/e2e_lib.sh"

cpack --config "$BUILD/CPackConfig.cmake" -B "$WORK/out" >"$WORK/cpack.log" 2>&1 ||
  { cat "$WORK/cpack.log"; fail "cpack failed"; }
deb=$WORK/out/pindle_${VERSION}_amd64.deb
[ -f "$deb" ] || fail "no $(basename "$deb"); cpack wrote: $(ls "$WORK/out")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = pindle ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$VERSION" ] || fail "Version is $(field Version)"
[ "$(field Architecture)" = amd64 ] || fail "Architecture is $(field Architecture)"
# dpkg-shlibdeps finds the libraries; the font is named by hand.
depends=$(field Depends | tr -d ' ' | tr ',' '\n' | sed 's/(.*//')
for package in libqt6widgets6 libqt6gui6 libqt6core6 libqt6svg6 libstdc++6 libc6 fonts-liberation; do
  grep -qx "$package" <<<"$depends" || fail "Depends lacks $package: $(field Depends)"
done

expected=(
  usr/bin/pindle
  usr/share/applications/$ID.desktop
  usr/share/doc/pindle/changelog.gz
  usr/share/doc/pindle/copyright
  usr/share/metainfo/$ID.metainfo.xml
  usr/share/man/man1/pindle.1.gz
  usr/share/icons/hicolor/scalable/apps/$ID.svg
)
for size in 16 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$ID.png")
done
diff <(printf '%s\n' "${expected[@]}" | sort) \
  <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort) ||
  fail "dpkg-deb -c lists other files than expected (< expected, > in the package)"

# Debian's checker, as a distribution's reviewer runs it: an error or a warning fails (so does
# lintian failing to run); its informational tags are shown with them.
lintian --display-info --fail-on error,warning "$deb" >"$WORK/lintian.log" 2>&1 ||
  { cat "$WORK/lintian.log"; fail "lintian reports errors or warnings in $(basename "$deb")"; }

root=$WORK/root
dpkg-deb -x "$deb" "$root"
program=$root/usr/bin/pindle
file "$program" | grep -q ', stripped' || fail "the packaged program is not stripped"
strings -el "$program" | grep -qx "$VERSION" || fail "the packaged program has no version block $VERSION"

"$program" >"$WORK/pindle.log" 2>&1 &
PINDLE_PID=$!
# The main window is 696 pixels wide; the splash window, also named Pindle, is 352.
MAIN=$(WAIT_STEPS=600 wait_window "Pindle" 600) || fail "the unpacked program showed no main window in 30 s"
width=$(xdotool getwindowgeometry --shell "$MAIN" | sed -n 's/^WIDTH=//p')
echo "passed: the unpacked usr/bin/pindle shows its main window (${width} pixels wide)"
