#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds the native, the
# sanitizer and the Windows (mingw-w64) builds, and runs every test natively,
# under AddressSanitizer/UBSan, and under Wine (the scan test also under
# ThreadSanitizer); then each fuzz target for 30 s; then builds the packages
# once and tests the installation, the .deb and the zip.
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
  shift
  echo "=== $preset: configure and build"
  cmake --preset "$preset" "$@" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== $preset: tests"
  ctest --preset "$preset" -j "$jobs"
}

# The folder scan reads ahead on threads of its own: the viewer core's tests
# run once more under ThreadSanitizer.
run_thread_sanitizer() {
  echo "=== tsan: the viewer core's tests"
  cmake --preset tsan >/dev/null
  cmake --build --preset tsan -j "$jobs"
  ctest --preset tsan -j "$jobs"
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

# Wine's windows, and the Qt window's scenario with a key held at an X
# server, need an X display.
# shellcheck source=xvfb-display.sh
. scripts/xvfb-display.sh

# The private Wine prefix goes when the script ends, however it ends.
wine_prefix=""
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
start_display

# The canary: a build of its own (build/canary) is configured with its drives
# folder (where an operator's real mail folders would be) holding a small mail
# tree, and the whole suite runs in that build. Not one byte of it may
# change. The default build is left as it was.
canary="$root/build/canary-drives"
lay_canary() {
  rm -rf "$canary"
  local bounces="$canary/p:/Diverido/Mail/~Bounces"
  mkdir -p "$bounces/Wait" "$bounces/Errors" "$bounces/Local" \
           "$canary/p:/Diverido/Mail/Mailout" "$canary/p:/Pmail/Mail/_Bounces"
  printf 'From: a\r\nSubject: x\r\n\r\nbody\r\n' >"$bounces/x.cnm"
  printf 'held\r\n' >"$bounces/Wait/w.cnm"
  printf 'error\r\n' >"$bounces/Errors/e.cnm"
  printf 'local\r\n' >"$bounces/Local/l.cnm"
  printf 'RELI_MAILOUT\r\n' >"$canary/p:/Diverido/Mail/Mailout/~colabcd.q0"
  printf 'body\r\n' >"$canary/p:/Diverido/Mail/Mailout/~colabcd.q1"
  printf 'From: b\r\n\r\nbounce\r\n' >"$canary/p:/Pmail/Mail/_Bounces/y.cnm"
}
canary_sums() {
  (cd "$canary" && find . -print | LC_ALL=C sort && find . -type f -print0 | LC_ALL=C sort -z \
    | xargs -0 sha256sum)
}

lay_canary
canary_before=$(canary_sums)
run_native canary -DNDR_DRIVES="$canary"
if [ "$(canary_sums)" != "$canary_before" ]; then
  echo "The test suite changed the configured drives folder $canary:" >&2
  diff <(echo "$canary_before") <(canary_sums) >&2 || true
  exit 1
fi
echo "=== canary: the configured drives folder is unchanged"
run_native asan
run_thread_sanitizer
run_windows
bash scripts/fuzz.sh 30
echo "=== packages: build, install and inspect"
bash scripts/test-packages.sh
echo "All test runs passed."
