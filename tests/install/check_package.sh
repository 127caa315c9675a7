#!/usr/bin/env bash
# The Debian package as a user gets it: CPack builds it from this build folder; its name, fields,
# dependencies and files; and the program unpacked from it starts on an X server of its own and
# shows its main window.
set -euo pipefail

BUILD=${1:?usage: check_package.sh BUILD_FOLDER VERSION}
VERSION=${2:?usage: check_package.sh BUILD_FOLDER VERSION}
ID=example.quillmere.Pindle
for tool in cpack dpkg-deb dpkg-shlibdeps file Xvfb xdotool; do
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
  exit 1
}

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
for package in libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6 fonts-liberation; do
  grep -qx "$package" <<<"$depends" || fail "Depends lacks $package: $(field Depends)"
done

expected=(
  usr/bin/pindle
  usr/share/applications/$ID.desktop
  usr/share/doc/pindle/copyright
  usr/share/metainfo/$ID.metainfo.xml
  usr/share/man/man1/pindle.1
)
for size in 16 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$ID.png")
done
diff <(printf '%s\n' "${expected[@]}" | sort) \
  <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort) ||
  fail "dpkg-deb -c lists other files than expected (< expected, > in the package)"

root=$WORK/root
dpkg-deb -x "$deb" "$root"
program=$root/usr/bin/pindle
file "$program" | grep -q ', stripped' || fail "the packaged program is not stripped"
strings -el "$program" | grep -qx "$VERSION" || fail "the packaged program has no version block $VERSION"

# A display number of our own, at a random place in 700..999, away from the other tests' servers.
start_xvfb() {
  local n
  n=$((700 + RANDOM % 300))
  for _ in $(seq 20); do
    n=$((n + 1))
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset 2>"$WORK/xvfb.log" &
    XVFB_PID=$!
    for _ in $(seq 100); do
      kill -0 "$XVFB_PID" 2>/dev/null || break
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

"$program" >"$WORK/pindle.log" 2>&1 &
PINDLE_PID=$!
# The main window is 696 pixels wide; the splash window, also named Pindle, is 352.
for _ in $(seq 300); do
  kill -0 "$PINDLE_PID" 2>/dev/null || { cat "$WORK/pindle.log"; fail "the unpacked program ended"; }
  for id in $(xdotool search --onlyvisible --name '^Pindle$' 2>/dev/null); do
    width=$(xdotool getwindowgeometry --shell "$id" | sed -n 's/^WIDTH=//p')
    if [ "${width:-0}" -ge 600 ]; then
      echo "passed: the unpacked usr/bin/pindle shows its main window (${width} pixels wide)"
      exit 0
    fi
  done
  sleep 0.1
done
cat "$WORK/pindle.log"
fail "the unpacked program showed no main window in 30 s"
