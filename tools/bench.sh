#!/usr/bin/env bash
# bench.sh <windows-build> <release-build> <work-folder>: every benchmark of Horvane, one table.
#   - failover: tools/bench-fetch.sh on the windows build (k black-holed servers ahead of a good
#     one, k = 0..4; threads and sockets while servers stay away and after they return)
#   - tools/bench.py on the release exe in the work folder's own Wine prefix: start to first
#     network time, idle CPU, private memory beside a minimal Win32 program, automatic mode's
#     one-second wait (tests/app/bench_wait.exe); the size of the release exe and zip
# The table is printed and written to <work-folder>/bench-results.md. About six minutes.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
windows="$(realpath "${1:?usage: bench.sh <windows-build> <release-build> <work-folder>}")"
release="$(realpath "${2:?release build folder missing}")"
work="${3:?work folder missing}"
mkdir -p "$work"
work="$(realpath "$work")"
for f in "$release/Horvane.exe" "$windows/tests/e2e/probe.exe" \
    "$windows/tests/release/minimal_win32.exe" "$windows/tests/app/bench_wait.exe"; do
    [[ -f "$f" ]] || { echo "bench: $f is not built (make release build-windows)" >&2; exit 1; }
done

echo "bench: failover (tools/bench-fetch.sh, about two minutes)"
bash "$here/bench-fetch.sh" "$windows" | tee "$work/bench-fetch.txt"

echo "bench: start-up, idle CPU, memory, automatic mode's wait (about four minutes)"
exec "$here/with-display.sh" bash -c '
    here="$1"; work="$2"; windows="$3"; release="$4"
    "$here/wine-prefix.sh" boot "$work" || exit 1
    python3 "$here/bench.py" --build "$work" --exe "$release/Horvane.exe" \
        --probe "$windows/tests/e2e/probe.exe" \
        --minimal "$windows/tests/release/minimal_win32.exe" \
        --bench-wait "$windows/tests/app/bench_wait.exe" \
        --fetch-output "$work/bench-fetch.txt" --release "$release" --out "$work/bench-results.md"
    rc=$?
    "$here/wine-prefix.sh" stop "$work"
    exit $rc
' _ "$here" "$work" "$windows" "$release"
