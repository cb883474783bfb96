#!/usr/bin/env bash
# Runs one Windows test program under Wine: the emulator of the mingw build's
# tests. A test program always says something before it ends, if only its
# test framework's report. A start that Wine ends at once, with a failure
# status and not a word, never ran the test (seen once in CI, 0.02 s into a
# busy run): it is reported with its status and tried once more. A test that
# fails, crashes or hangs is never tried again.
set -u
log=$(mktemp "${TMPDIR:-/tmp}/ndr-wine-run.XXXXXX")
trap 'rm -f "$log"' EXIT
wine "$@" >"$log" 2>&1
status=$?
cat "$log"
if [ "$status" -ne 0 ] && [ ! -s "$log" ]; then
  echo "wine-test-run: wine ended $1 at once with status $status and no output; starting it once more" >&2
  wine "$@"
  status=$?
fi
exit "$status"
