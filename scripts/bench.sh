#!/usr/bin/env bash
# Builds the optimised benchmark preset and runs every benchmark program in
# build/bench/bench/, one after the other, printing their figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh
cmake --preset bench >/dev/null
cmake --build --preset bench

status=0
for program in build/bench/bench/*; do
  if [ -f "$program" ] && [ -x "$program" ]; then
    echo "=== $(basename "$program")"
    "$program" || { echo "$(basename "$program") failed" >&2; status=1; }
  fi
done
# The Windows window under Wine, in a private prefix and on a virtual display
# (the first free number from 71); both go when the script ends.
cmake --preset mingw-bench >/dev/null
cmake --build --preset mingw-bench
wine_prefix=$(mktemp -d /tmp/ndr-wine-bench.XXXXXX)
# shellcheck source=xvfb-display.sh
. scripts/xvfb-display.sh
cleanup() {
  WINEPREFIX="$wine_prefix" wineserver -k >/dev/null 2>&1 || true
  rm -rf "$wine_prefix"
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT
start_display
export NDR_WINEPREFIX="$wine_prefix"
# shellcheck source=wine-env.sh
. scripts/wine-env.sh "$root/build/mingw-bench/drive-p"
# The test build of the window finds drive P: in the build tree's test
# drives (a Windows build names the drive folder by its letter alone).
build/bench/bench-tools/bounce_folder \
  "$root/build/mingw-bench/test-drives/p/Diverido/Mail/~Bounces" 100000
echo "=== desk_win32_bench (under Wine)"
wine build/mingw-bench/bench-win32/desk_win32_bench.exe \
  "Z:$(echo "$root/build/mingw-bench/test-bin/ndr_Desk.exe" | tr / '\\')" \
  || { echo "desk_win32_bench failed" >&2; status=1; }
exit $status
