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
    # The window's fonts are "宋体" (SimSun); map it to the Chinese font the system has.
    for name in "宋体" "SimSun" "新宋体" "NSimSun"; do
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$name" /t REG_SZ \
            /d "WenQuanYi Zen Hei" /f </dev/null >/dev/null 2>&1
    done
    wineserver -w </dev/null >/dev/null 2>&1 || true
    ;;
stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    ;;
*)
    echo "usage: $0 boot|stop <build-folder>" >&2
    exit 2
    ;;
esac
