#!/usr/bin/env bash
# Runs a command on an X server of its own: Xvfb with a 1280 x 1024 screen and
# no window manager, on a display number that Xvfb itself picks as free.
# Usage: tests/support/with-xvfb.sh command [args...]
# Qt's xcb plugin would set up GLX for every window and so load the machine's
# GL driver, whose own allocations LeakSanitizer then reports once the driver
# is unloaded (Mesa's on AMD processors, for one). No widget here draws with
# GL: Qt loads no GL integration, and the result is the same on every machine.
set -eu
work="$(mktemp -d)"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/log" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$work"' EXIT
# Up to 120 s, for a machine under load.
for _ in $(seq 1200); do
  [ -s "$work/display" ] && break
  kill -0 "$server" 2>/dev/null || { cat "$work/log" >&2; exit 1; }
  sleep 0.1
done
[ -s "$work/display" ] || { echo "with-xvfb: Xvfb did not start" >&2; exit 1; }
DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb QT_XCB_GL_INTEGRATION=none "$@"
