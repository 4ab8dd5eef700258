#!/usr/bin/env bash
# xvfb_ctest.sh <build dir>: runs the build's tests under a virtual X server.
# xvfb-run may fail its own clean-up, so the tests' status is kept apart and
# the server is ended by its pid.
set -uo pipefail
build=$1
work=$(mktemp -d)
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  pgrep -f "Xvfb $DISPLAY " > "$1/server.pid" || true
  ctest --test-dir "$2" --output-on-failure --no-tests=error
  echo $? > "$1/status"
' _ "$work" "$build"
status=$(cat "$work/status" 2>/dev/null || echo 1)
for pid in $(cat "$work/server.pid" 2>/dev/null); do kill "$pid" 2>/dev/null || true; done
rm -rf "$work"
exit "$status"
