#!/usr/bin/env bash
# Takes a screenshot of the window framework under Xvfb: a main window with a
# dialog and a question over it. Usage: tests/skin/screenshot.sh [build dir]
# [output png]; builds the demo in the build dir (default build/) first.
# Needs xvfb-run and ImageMagick's import (scripts/install-deps.sh gui).
set -eu
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build}"
out="${2:-$build/skin_screenshot.png}"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" >/dev/null
fi
cmake --build "$build" -j4 --target zv_skin_demo >/dev/null
demo="$build/skin/zv_skin_demo"

for tool in xvfb-run import; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing (scripts/install-deps.sh gui)" >&2; exit 2; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Runs inside the X server: start the demo, wait until it says all windows are
# on screen (at most 20 s), grab the screen, then end the demo.
cat >"$work/inside.sh" <<'INSIDE'
set -eu
demo=$1 ready=$2 out=$3
# The demo draws nothing with GL: Qt loads no GL driver.
QT_QPA_PLATFORM=xcb QT_XCB_GL_INTEGRATION=none "$demo" --ready "$ready" &
pid=$!
for _ in $(seq 200); do
  [ -f "$ready" ] && break
  kill -0 "$pid" 2>/dev/null || { echo "screenshot: the demo ended early" >&2; exit 1; }
  sleep 0.1
done
[ -f "$ready" ] || { echo "screenshot: the demo did not get on screen" >&2; kill "$pid"; exit 1; }
# One more moment for the last paint after the windows were exposed.
sleep 0.5
import -window root "$out"
kill "$pid"
wait "$pid" 2>/dev/null || true
INSIDE

xvfb-run -a -s "-screen 0 800x560x24" bash "$work/inside.sh" "$demo" "$work/ready" "$out"
echo "screenshot: $out"
