#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds the native, the
# sanitizer and the Windows (mingw-w64) builds, and runs every test natively,
# under AddressSanitizer/UBSan, and under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh

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
  local prefix
  prefix=$(mktemp -d /tmp/ndr-wine.XXXXXX)
  trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$prefix"' RETURN
  export NDR_WINEPREFIX="$prefix"
  # shellcheck source=wine-env.sh
  . scripts/wine-env.sh "$root/build/mingw/drive-p"
  # A test that fails only through a Wine start-up hiccup gets one more run.
  ctest --preset mingw -j "$jobs" --repeat until-pass:2
}

run_native default
run_native asan
run_windows
echo "All test runs passed."
