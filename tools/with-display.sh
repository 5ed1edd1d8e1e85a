#!/usr/bin/env bash
# with-display.sh <command...>: run the command with a private Xvfb of 1024 x 768 as DISPLAY,
# and end that Xvfb afterwards. The command's exit code is passed on.
set -uo pipefail
n=90
while [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]]; do
    n=$((n + 1))
    if ((n > 140)); then
        echo "with-display: no free display number" >&2
        exit 1
    fi
done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -ac </dev/null >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null' EXIT
for _ in $(seq 100); do
    [[ -e /tmp/.X11-unix/X$n ]] && break
    sleep 0.1
done
export DISPLAY=":$n"
"$@"
