#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds the native, the
# sanitizer and the Windows (mingw-w64) builds, and runs every test natively,
# under AddressSanitizer/UBSan, and under Wine; then each fuzz target for 30 s;
# then builds the packages once and tests the installation, the .deb and the zip.
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
  ctest --preset mingw -j "$jobs"
}

# The private Wine prefix goes when the script ends, however it ends.
wine_prefix=""
cleanup() {
  if [ -n "$wine_prefix" ]; then
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$wine_prefix"
  fi
}
trap cleanup EXIT

run_native default
run_native asan
run_windows
bash scripts/fuzz.sh 30
echo "=== packages: build, install and inspect"
bash scripts/test-packages.sh
echo "All test runs passed."
