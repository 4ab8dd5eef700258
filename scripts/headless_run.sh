#!/usr/bin/env bash
# headless_run.sh <controller> [seconds]: one session of the simulator on the
# current (virtual) display, from the source tree's build (scripts/run.sh
# builds it; CORVAN_BUILD_DIR names another build folder). The operator
# clicks "INIT", "DC" and then "piece" three times a few seconds apart (19 s
# in all); half-way a screenshot of the window is saved, and at the end
# "quit" is clicked. A session shorter than the clicks ends right after them.
set -uo pipefail
controller=$1
seconds=${2:-60}
build=${CORVAN_BUILD_DIR:-$(cd "$(dirname "$0")/.." && pwd)/build}
shot=$build/corvan-screenshot.png
for tool in "$build/app/corvan" "$build/tests/tools/xshot"; do
  if [ ! -x "$tool" ]; then
    echo "no $tool: this script runs the source tree's build; build it with scripts/run.sh" >&2
    exit 1
  fi
done
case "$seconds" in
  '' | *[!0-9]*) echo "the length is a whole number of seconds, not '$seconds'" >&2; exit 2 ;;
esac
clicks=19
half=$(( seconds / 2 > clicks ? seconds / 2 - clicks : 0 ))
rest=$(( seconds - clicks - half > 0 ? seconds - clicks - half : 0 ))

"$build/app/corvan" "$controller" &
sim=$!
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name '^atelier$' 2>/dev/null | head -1)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "the simulator's window did not appear"
  kill "$sim" 2>/dev/null
  exit 1
fi

# A busy X server may refuse a connection for a moment: try again.
xdo() {
  for _ in $(seq 10); do xdotool "$@" && return 0; sleep 0.1; done
  return 1
}
# press <x> <y>: holds a panel button long enough to be sampled by a turn,
# even one that a busy machine stretches (a press and its release read in the
# same turn are never seen).
press() {
  xdo mousemove --window "$window" "$1" "$2" mousedown 1
  sleep 1
  xdo mouseup 1
}
click() { xdo mousemove --window "$window" "$1" "$2" click 1; }

sleep 2         # the controller started, the turns going
press 755 60    # INIT
sleep 3
press 755 90    # DC
for _ in 1 2 3; do
  sleep 4
  click 760 485 # piece
done
sleep "$half"
"$build/tests/tools/xshot" "$window" "$shot" && echo "screenshot: $shot"
sleep "$rest"
click 860 525   # quit
wait "$sim"
