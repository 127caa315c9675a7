#!/usr/bin/env bash
# End-to-end test of what a screen reader gets: the real program under its own Xvfb, on a private
# D-Bus session with the AT-SPI bus, read with python3-pyatspi (accessibility.py) while xdotool types.
set -euo pipefail

PINDLE=${1:?usage: accessibility.sh path/to/pindle}
HERE=$(cd "$(dirname "$0")" && pwd)

for need in dbus-run-session /usr/libexec/at-spi-bus-launcher /usr/bin/python3; do
  if ! command -v "$need" >/dev/null; then
    echo "SKIPPED: $need is not installed (scripts/setup installs dbus and at-spi2-core)"
    exit 77
  fi
done
if ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
  echo "SKIPPED: python3-pyatspi is not installed (scripts/setup installs it)"
  exit 77
fi

# A session bus of our own, so that nothing of the desktop's accessibility stack takes part.
if [ -z "${PINDLE_A11Y_SESSION:-}" ]; then
  export PINDLE_A11Y_SESSION=1
  exec dbus-run-session -- bash "$0" "$@"
fi

source "$HERE/e2e_lib.sh"

BUS_PID=""
stop_bus() {
  [ -n "$BUS_PID" ] && kill "$BUS_PID" 2>/dev/null || true
  cleanup
}
trap stop_bus EXIT

# The accessibility bus, started before the program so that the program finds it at once.
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$WORK/bus.log" 2>&1 &
BUS_PID=$!
for _ in $(seq 100); do
  /usr/bin/python3 -c 'import pyatspi; pyatspi.Registry.getDesktop(0).childCount' >/dev/null 2>&1 && break
  sleep 0.1
done

# The browser that the About box's web address opens in: a stand-in that notes the address.
mkdir -p "$WORK/bin"
export PINDLE_OPENED="$WORK/opened"
printf '#!/bin/sh\necho "$1" >>"%s"\n' "$PINDLE_OPENED" >"$WORK/bin/xdg-open"
chmod +x "$WORK/bin/xdg-open"

PATH="$WORK/bin:$PATH" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$PINDLE" >"$WORK/pindle.log" 2>&1 &
PINDLE_PID=$!
MAIN=$(wait_window "Pindle" 600) || fail "the main window did not appear"
echo "main window $MAIN on $DISPLAY"

PINDLE_MAIN_WINDOW=$MAIN /usr/bin/python3 "$HERE/accessibility.py" || fail "what the screen reader reads"
echo "ok: accessibility end to end"
