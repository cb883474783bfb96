#!/usr/bin/env bash
# Installs, with apt-get, whatever the build, the tests and the demo need and
# this machine lacks. Safe to run again: it installs only what is missing.
set -euo pipefail

want=(
  g++ cmake ninja-build pkg-config clang-format
  clang-14 libclang-rt-14-dev
  libgtest-dev googletest libbenchmark-dev
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  wine wine64
  qt6-base-dev qt6-base-dev-tools libgl-dev
  xvfb xauth x11-apps imagemagick libxcb-xkb-dev libxcb-xtest0-dev
  qt6-svg-dev dpkg-dev desktop-file-utils man-db file zip unzip
)

missing=()
for pkg in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
    || missing+=("$pkg")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
