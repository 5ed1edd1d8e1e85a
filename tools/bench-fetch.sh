#!/usr/bin/env bash
# bench-fetch.sh <build-folder>: the fetch benchmark (failover time with black-holed servers
# ahead of a good one; threads and sockets alive while servers stay unreachable and after they
# return). Runs on a private Xvfb and starts loopback Daytime servers of its own, stopping both
# (and the build folder's Wine prefix) afterwards. Takes about two minutes.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "$1" && pwd)"
exe="$build/tests/net/bench_fetch.exe"
[[ -f "$exe" ]] || { echo "bench-fetch: $exe is not built" >&2; exit 1; }
if [[ -z "${HORVANE_BENCH_DISPLAY:-}" ]]; then
    exec env HORVANE_BENCH_DISPLAY=1 "$here/with-display.sh" bash "$0" "$build"
fi
servers="$build/bench-fetch-servers"
python3 "$here/daytime_server.py" start --dir "$servers" --lifetime 900 \
    blackhole blackhole blackhole blackhole blackhole correct >/dev/null || exit 1
trap 'python3 "$here/daytime_server.py" stop --dir "$servers"; "$here/wine-prefix.sh" stop "$build"' EXIT
"$here/wine-prefix.sh" boot "$build" || exit 1
HORVANE_DAYTIME_SERVERS="$servers" "$here/wine-run.sh" "$build" "$exe"
