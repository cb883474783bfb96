#!/usr/bin/env bash
# Builds the fuzz targets (the fuzz preset: clang, libFuzzer, AddressSanitizer
# and UBSan) and runs each on its committed corpus for a fixed time with a
# fixed seed. Inputs the run finds go into a throw-away folder, never into the
# committed corpus. A broken property or a sanitizer report fails the script;
# the input that caused it is left in build/fuzz/findings/.
#
#   scripts/fuzz.sh [seconds per target, default 30] [target ...]
#
# Targets: mail_date message_reader bounce_extract line_reader (all by default).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

seconds=${1:-30}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(mail_date message_reader bounce_extract line_reader)

echo "=== fuzz: configure and build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

# The targets write their inputs into files: on a memory file system when
# there is one, as the disk would slow every input down.
base=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
work=$(mktemp -d "$base/ndr-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
findings="$root/build/fuzz/findings"
mkdir -p "$findings"

for target in "${targets[@]}"; do
  echo "=== fuzz: $target for ${seconds}s"
  mkdir -p "$work/$target"
  log="$root/build/fuzz/$target.log"
  # Inputs above 64 KiB would leave the models' comparisons out.
  if ! TMPDIR="$work" "$root/build/fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -seed=1 \
      -max_len=20000 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$findings/$target-" "$work/$target" "fuzz/corpus/$target" >"$log" 2>&1
  then
    tail -n 40 "$log"
    echo "fuzz: $target found a fault; the input is in $findings (log: $log)" >&2
    exit 1
  fi
  grep -E '^(Done|stat::(number_of_executed_units|average_exec_per_sec|new_units_added))' "$log"
done
echo "Fuzz runs passed."
