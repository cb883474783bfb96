# Source this file, then call start_display: starts a virtual X display on the
# first free number from 71 for the windows of the tests, exports DISPLAY and leaves the
# server's process id in xvfb_pid (empty when none was free), for the caller's
# cleanup to stop.
xvfb_pid=""
start_display() {
  local n
  for n in $(seq 71 99); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      xvfb_pid=$!
      export DISPLAY=":$n"
      sleep 1
      return 0
    fi
  done
  echo "no free X display from :71 to :99" >&2
  return 0
}
