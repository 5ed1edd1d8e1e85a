#!/usr/bin/env bash
# soak.sh <Horvane.exe> <windows-build-folder> <work-folder>: runs the exe for SOAK_MINUTES
# (10 by default) under Wine on a private Xvfb, in the work folder's own Wine prefix, against
# loopback Daytime servers that keep failing and returning every SOAK_PHASE_SECONDS (30)
# (tools/soak.py says what is watched and checked). The window probe comes from the windows
# build folder (tests/e2e/probe.exe). The prefix and the servers are stopped afterwards; exit
# code 1 when a check failed.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
exe="$(realpath "${1:?usage: soak.sh <Horvane.exe> <windows-build> <work-folder>}")"
probe="$(realpath "${2:?windows build folder missing}")/tests/e2e/probe.exe"
work="${3:?work folder missing}"
[[ -f "$exe" ]] || { echo "soak: $exe not found" >&2; exit 1; }
[[ -f "$probe" ]] || { echo "soak: $probe not found (make build-windows)" >&2; exit 1; }
mkdir -p "$work"
work="$(realpath "$work")"
exec "$here/with-display.sh" bash -c '
    here="$1"; shift
    "$here/wine-prefix.sh" boot "$2" || exit 1
    python3 "$here/soak.py" --exe "$1" --build "$2" --probe "$3" --minutes "${SOAK_MINUTES:-10}" \
        --phase "${SOAK_PHASE_SECONDS:-30}"
    rc=$?
    "$here/wine-prefix.sh" stop "$2"
    exit $rc
' _ "$here" "$exe" "$work" "$probe"
