#!/usr/bin/env bash
# The main job: installs what is missing, builds the three programs, lays a
# demo drive P: of realistic bounces and starts the viewer on it. Without a
# display it runs the viewer under Xvfb and saves a screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh

cmake --preset demo >/dev/null
cmake --build --preset demo -j "$(nproc)" --target ndr_Desk ndr_Requeue ndr_Carry make_demo_drive

bin="$root/build/demo"
drives="$bin/drives"
echo "=== Laying the demo drive under $drives/p:"
rm -rf "$drives/p:"
"$bin/tools/make_demo_drive" "$drives"

desk="$bin/bin/ndr_Desk"
if [ -n "${DISPLAY:-}" ]; then
  echo "=== Starting ndr_Desk (the drive P: is $drives/p:)"
  exec "$desk"
fi

shot="$root/build/demo/ndr_Desk-screenshot.png"
display=":$((90 + RANDOM % 9))"
echo "=== No display: running ndr_Desk under Xvfb on $display"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
desk_pid=""
trap 'kill "$desk_pid" "$xvfb" 2>/dev/null || true' EXIT
sleep 1
DISPLAY="$display" "$desk" &
desk_pid=$!
sleep 4
DISPLAY="$display" import -window root "$shot"
echo "Screenshot of the viewer on the demo drive: $shot"
