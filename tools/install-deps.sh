#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Horvane need, and the
# zh_CN.UTF-8 locale that Wine needs for code page 936. Does nothing that is already done.
set -euo pipefail

packages=(
    cmake make g++ clang libclang-rt-14-dev   # native build, fuzzing (libFuzzer runtime)
    googletest                                # GoogleTest sources, built per configuration
    g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
    wine wine64                               # runs the Windows binaries
    xvfb xauth xdotool x11-utils imagemagick  # window tests: display, input, screenshots
    fonts-arphic-uming fonts-wqy-zenhei       # Chinese glyphs for Wine (a Song face for 宋体)
    locales python3
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
    if [[ $(id -u) -ne 0 ]]; then
        echo "install-deps: missing packages: ${missing[*]}" >&2
        echo "install-deps: run 'sudo $0' (or make as root) to install them" >&2
        exit 1
    fi
    echo "install-deps: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine takes its ANSI code page from LANG: zh_CN.UTF-8 gives 936 (GBK).
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    if [[ $(id -u) -ne 0 ]]; then
        echo "install-deps: the locale zh_CN.UTF-8 is missing; run 'sudo $0'" >&2
        exit 1
    fi
    echo "install-deps: generating the zh_CN.UTF-8 locale"
    localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
