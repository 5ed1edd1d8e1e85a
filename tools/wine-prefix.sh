#!/usr/bin/env bash
# wine-prefix.sh boot <build-folder>: create (or update) the build folder's Wine prefix
#   with no pipe attached, so that Wine's services do not hold a reader's pipe open.
# wine-prefix.sh stop <build-folder>: end every process of that prefix.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cmd="$1"
mkdir -p "$2"
. "$here/wine-env.sh" "$2"
case "$cmd" in
boot)
    wineboot -i </dev/null >/dev/null 2>&1
    # The window's fonts are "宋体" (SimSun); map it to a Song (Ming) face of the system: its
    # half-width ASCII gives the layout the metrics it has on Windows.
    for name in "宋体" "SimSun" "新宋体" "NSimSun"; do
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$name" /t REG_SZ \
            /d "AR PL UMing CN" /f </dev/null >/dev/null 2>&1
    done
    # A crash ends the process instead of waiting behind a dialog.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        </dev/null >/dev/null 2>&1
    wineserver -w </dev/null >/dev/null 2>&1 || true
    # Wine links the user's Desktop, Documents, ... to the host's home folder; here they become
    # plain folders inside the prefix, so that nothing a program writes lands outside it.
    for link in "$WINEPREFIX"/drive_c/users/*/*; do
        if [[ -L "$link" ]]; then
            rm -f "$link"
            mkdir -p "$link"
        fi
    done
    ;;
stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    ;;
*)
    echo "usage: $0 boot|stop <build-folder>" >&2
    exit 2
    ;;
esac
