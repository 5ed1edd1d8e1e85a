#!/usr/bin/env bash
# run.sh <build-folder>: starts <build-folder>/Horvane.exe under Wine.
# - With a usable DISPLAY the program runs there until it is closed.
# - Without one (or with HORVANE_RUN_HEADLESS=1) it runs on a private virtual display
#   (tools/with-display.sh): once the window shows the network time, or 15 s after the start,
#   a screenshot of the window is saved as <build-folder>/horvane-run.png; then it is ended.
# The build folder's Wine prefix is booted first and stopped afterwards.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

# The network line's text before the first reply.
readonly kNetworkWaiting="当前网络时间: 获取中..."

# Whether the window under the screen point ($1, $2) shows a network time, read with the
# window-test probe ($3): its label 网络时间 (control id 107) no longer shows the waiting text.
network_time_shown() {
    local probe="$3" pid
    pid="$(wine "$probe" hit "$1" "$2" 2>/dev/null |
        python3 -c 'import json, sys; print(json.load(sys.stdin).get("pid", ""))' 2>/dev/null)"
    [[ -n "$pid" ]] || return 1
    wine "$probe" tree "$pid" 2>/dev/null | WAITING="$kNetworkWaiting" python3 -c '
import json, os, sys
tree = json.load(sys.stdin)
lines = [c for c in tree.get("window", {}).get("children", []) if c.get("id") == 107]
sys.exit(0 if lines and lines[0].get("text") != os.environ["WAITING"] else 1)
' 2>/dev/null
}

# On the virtual display: start, wait, take the screenshot, end.
run_headless() {
    local build="$1" exe="$1/Horvane.exe" shot="$1/horvane-run.png"
    local probe="$build/tests/e2e/probe.exe"
    "$here/wine-prefix.sh" boot "$build" || return 1
    . "$here/wine-env.sh" "$build"
    local start=$SECONDS
    wine "$exe" >/dev/null 2>&1 &
    local wine_pid=$!
    echo "run: started $exe on the virtual display $DISPLAY"

    # The window is titled once start-up has shown it.
    local window=""
    while ((SECONDS - start < 15)); do
        window="$(xdotool search --name '^Horvane$' 2>/dev/null | head -n 1)"
        [[ -n "$window" ]] && break
        sleep 0.5
    done
    if [[ -n "$window" ]]; then
        local X Y WIDTH HEIGHT SCREEN WINDOW
        eval "$(xdotool getwindowgeometry --shell "$window")"
        # Until the network line shows a time (read with the probe when it is built; else the
        # first fetch gets five seconds), and never past 15 s from the start.
        local ready=$((SECONDS + 5))
        while ((SECONDS - start < 15)); do
            if [[ -f "$probe" ]]; then
                network_time_shown $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) "$probe" && break
            elif ((SECONDS >= ready)); then
                break
            fi
            sleep 0.5
        done
        sleep 0.5  # let the line be painted
        import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot" &&
            echo "run: screenshot of the window saved as $shot"
    else
        import -window root "$shot" &&
            echo "run: no Horvane window within 15 s; screenshot of the whole display: $shot"
    fi

    kill "$wine_pid" 2>/dev/null
    wait "$wine_pid" 2>/dev/null
    "$here/wine-prefix.sh" stop "$build"
    echo "run: stopped"
}

if [[ "${1:-}" == "--headless-inner" ]]; then
    run_headless "$2"
    exit $?
fi

build="$(cd "${1:?usage: run.sh <build-folder>}" && pwd)"
exe="$build/Horvane.exe"
[[ -f "$exe" ]] || { echo "run: $exe not found (make build-windows)" >&2; exit 1; }

if [[ "${HORVANE_RUN_HEADLESS:-}" != "1" && -n "${DISPLAY:-}" ]] &&
    xdpyinfo >/dev/null 2>&1; then
    "$here/wine-prefix.sh" boot "$build" || exit 1
    . "$here/wine-env.sh" "$build"
    echo "run: starting $exe on $DISPLAY"
    wine "$exe"
    rc=$?
    "$here/wine-prefix.sh" stop "$build"
    exit $rc
fi

# No display of the user's: a virtual one, and a screenshot to look at.
exec "$here/with-display.sh" bash "$here/run.sh" --headless-inner "$build"
