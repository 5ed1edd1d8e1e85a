# Sourced: the environment every Wine process of a build folder runs with.
# Usage: . tools/wine-env.sh <build-folder>
export WINEPREFIX="$(cd "$1" && pwd)/wineprefix"
export WINEDEBUG=-all
export LANG=zh_CN.UTF-8
export LC_ALL=zh_CN.UTF-8
export WINEARCH=win64
# No Mono or Gecko installers on first start, and no menu or desktop entries on the host for
# the shortcuts the program writes.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
