#!/usr/bin/env bash
# ctest's emulator for Windows binaries: wine-run.sh <build-folder> <exe> [args...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine-env.sh" "$1"
shift
[[ -d "$WINEPREFIX" ]] || "$here/wine-prefix.sh" boot "$(dirname "$WINEPREFIX")"
exec wine "$@"
