#!/usr/bin/env bash
# Builds the simulator and runs it with the bundled controller. Without a
# display it runs under a virtual X server for a few seconds, prints the
# messages of both processes and saves a screenshot of the window.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target corvan demo_controller xshot >/dev/null
controller=build/examples/demo_controller

if [ -n "${DISPLAY:-}" ]; then
  exec build/app/corvan "$controller"
fi
echo "no display: running under a virtual X server"
status_file=$(mktemp)
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  pgrep -f "Xvfb $DISPLAY " > "$1.server"
  scripts/headless_run.sh "$2"; echo $? > "$1"' _ "$status_file" "$controller" || true
status=$(cat "$status_file" 2>/dev/null || echo 1)
for pid in $(cat "$status_file.server" 2>/dev/null); do kill "$pid" 2>/dev/null || true; done
rm -f "$status_file" "$status_file.server"
exit "$status"
