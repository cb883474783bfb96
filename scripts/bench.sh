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
exit $status
