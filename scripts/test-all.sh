#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds the native, the
# sanitizer and the Windows (mingw-w64) builds, and runs every test natively,
# under AddressSanitizer/UBSan, and under Wine; then each fuzz target for 30 s.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh

# Formatting is part of the build's gates: a file that differs from what
# clang-format makes of it fails the run before anything is built.
check_format() {
  echo "=== clang-format"
  local files
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    files=$(git ls-files '*.cpp' '*.h')
  else
    files=$(find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
  fi
  # shellcheck disable=SC2086
  clang-format --dry-run --Werror $files
}
check_format

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

run_native() {
  local preset=$1
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== $preset: tests"
  ctest --preset "$preset" -j "$jobs"
}

run_windows() {
  echo "=== mingw: configure and build"
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw -j "$jobs"
  echo "=== mingw: tests under Wine"
  wine_prefix=$(mktemp -d /tmp/ndr-wine.XXXXXX)
  export NDR_WINEPREFIX="$wine_prefix"
  # shellcheck source=wine-env.sh
  . scripts/wine-env.sh "$root/build/mingw/drive-p"
  start_display
  ctest --preset mingw -j "$jobs"
}

# The Windows viewer's tests need an X display for Wine's windows: a virtual
# one on the first free number from 71.
start_display() {
  local n
  for n in $(seq 71 99); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      xvfb_pid=$!
      export DISPLAY=":$n"
      sleep 1
      return
    fi
  done
  echo "test-all: no free X display; the window's tests are skipped" >&2
}

# The private Wine prefix goes when the script ends, however it ends.
wine_prefix=""
xvfb_pid=""
cleanup() {
  if [ -n "$wine_prefix" ]; then
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$wine_prefix"
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

run_native default
run_native asan
run_windows
bash scripts/fuzz.sh 30
echo "All test runs passed."
