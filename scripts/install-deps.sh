#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages that the build, the tests and the
# benchmarks need; only the missing ones, so that a second call is quick.
# Usage: scripts/install-deps.sh [fuzz] [gui]
#   fuzz  also the clang toolchain and sanitizer runtime for `make fuzz`
#   gui   also Xvfb, for the screenshot scripts in tests/
set -eu

packages=(
  build-essential cmake pkg-config
  libleptonica-dev libjpeg-dev libgif-dev libpng-dev libtiff-dev zlib1g-dev
  qtbase5-dev qttools5-dev-tools qttools5-dev qttranslations5-l10n
  libgtest-dev libgmock-dev libbenchmark-dev
  imagemagick libjpeg-turbo-progs
  clang-format
)
for extra in "$@"; do
  case "$extra" in
  fuzz) packages+=(clang libclang-rt-14-dev) ;;
  gui) packages+=(xvfb xauth x11-apps) ;;
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
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
