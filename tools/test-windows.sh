#!/usr/bin/env bash
# test-windows.sh <build-folder> [ctest arguments...]: the Windows-side tests under Wine,
# on a private Xvfb; the build folder's Wine prefix is booted first and stopped afterwards.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$1"
shift
"$here/with-display.sh" bash -c '
    here="$1"; build="$2"; shift 2
    "$here/wine-prefix.sh" boot "$build" || exit 1
    ctest --test-dir "$build" --output-on-failure "$@"
    rc=$?
    "$here/wine-prefix.sh" stop "$build"
    exit $rc
' _ "$here" "$build" "$@"
