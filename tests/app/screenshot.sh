#!/usr/bin/env bash
# Screenshots of the finished face under Xvfb, as PNG files, once in English
# (into the output folder) and once in German (into its de_DE/ folder): the
# main window on each of its four tabs (main_step1..4.png), the settings
# dialog (settings.png), the about box (about.png, and about_minimum.png at
# its minimum size), the operation chooser and the keyword dialogs
# (chooser.png, counter.png, date.png), a message box over the main window
# (message.png), the window at work (main_step1_files.png,
# main_step2_pipeline.png with its preview, main_step4_finished.png after a
# run with a failure line), Step 2 with each operation's settings panel
# (panel_<kind>.png, panel_crop_minimum.png at the window's minimum size
# and panel_stamp_text_minimum_tall.png at its minimum width, 940 px
# high), the stamp's picture and font dialogs (imagedialog.png,
# fontdialog.png), Qt's own file and colour dialogs (filedialog.png,
# colordialog.png)
# and a gallery of the standard widgets in the default skin (gallery*.png).
# Usage: tests/app/screenshot.sh [build dir] [output folder]
# Builds the picture taker in the build dir (default build/) first. Needs
# xvfb-run (scripts/install-deps.sh gui).
set -eu
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build}"
out="${2:-$build/screenshots}"

command -v xvfb-run >/dev/null || {
  echo "screenshot: xvfb-run is missing (scripts/install-deps.sh gui)" >&2
  exit 2
}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" >/dev/null
fi
targets=(zv_app_screenshot)
# The translations, so that the German run shows German pictures.
if cmake --build "$build" --target help | grep zv_translations >/dev/null; then
  targets+=(zv_translations)
fi
cmake --build "$build" -j4 --target "${targets[@]}" >/dev/null
# The program keeps its settings in a data folder of its own here, so that
# the user's stay untouched; the X server is its own too. Without a settings
# file the language follows the locale, as at a user's first start. Nothing
# draws with GL, so Qt loads no GL driver: the pictures, and a run from a
# sanitizer build, do not depend on the machine's driver.
data="$(mktemp -d)"
trap 'rm -rf "$data"' EXIT
shoot() { # <LANG value> <output folder>
  mkdir -p "$2"
  rm -rf "${data:?}"/*
  LANG="$1" LC_ALL="" LANGUAGE="" XDG_DATA_HOME="$data" QT_QPA_PLATFORM=xcb QT_XCB_GL_INTEGRATION=none \
    xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tests/zv_app_screenshot" "$2"
}
shoot en_US.UTF-8 "$out"
shoot de_DE.UTF-8 "$out/de_DE"
