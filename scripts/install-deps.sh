#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages that the build, the tests and the
# benchmarks need; only the missing ones, so that a second call is quick. Then
# makes the German locale that the comma-decimal tests and the screenshots
# run in, when the system has not got it yet.
# Usage: scripts/install-deps.sh [fuzz] [gui]
#   fuzz  also the clang toolchain and sanitizer runtime for `make fuzz`
#   gui   also x11-apps, for the screenshot scripts in tests/ (Xvfb and
#         xdotool, which the window tests drive, come always)
set -eu

packages=(
  build-essential cmake pkg-config
  libleptonica-dev libjpeg-dev libgif-dev libpng-dev libtiff-dev zlib1g-dev
  qtbase5-dev qttools5-dev-tools qttools5-dev qttranslations5-l10n
  libgtest-dev libgmock-dev libbenchmark-dev
  imagemagick libjpeg-turbo-progs
  clang-format
  locales xvfb xauth xdotool
)
for extra in "$@"; do
  case "$extra" in
  fuzz) packages+=(clang libclang-rt-14-dev) ;;
  gui) packages+=(x11-apps) ;;
  *) echo "install-deps: unknown option '$extra'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  case "$status" in
  *" installed") ;;
  *) missing+=("$p") ;;
  esac
done
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# `locale -a` names it de_DE.utf8 once made.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  echo "install-deps: making the locale de_DE.UTF-8"
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
