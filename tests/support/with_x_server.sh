#!/usr/bin/env bash
# with_x_server.sh COMMAND [ARGS...]: runs COMMAND under a virtual X server
# of its own and returns COMMAND's status. Tests that click into windows or
# read pixels run side by side, each on its own server, so none sees
# another's windows. -displayfd lets the server pick a free display and say
# which once it accepts connections: no number is guessed, so many can start
# at once.
set -uo pipefail

coproc server { exec Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null; }
server_pid=$server_PID
stop_server() {
  kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
}
trap 'stop_server; exit 143' TERM INT

# A loaded machine can take seconds to start it.
if ! read -r -t 30 -u "${server[0]}" number || [ -z "$number" ]; then
  echo "with_x_server.sh: Xvfb did not start (is it installed?)" >&2
  stop_server
  exit 1
fi

DISPLAY=":$number" "$@" &
command_pid=$!
trap 'kill -TERM "$command_pid" 2>/dev/null; wait "$command_pid"; stop_server; exit 143' TERM INT
wait "$command_pid"
status=$?
stop_server
exit "$status"
