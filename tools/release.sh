#!/usr/bin/env bash
# release.sh <release-build-folder>: checks the built Horvane.exe as it is shipped (system DLLs
# only, version resource, manifest, stripped; prints its size) and packs <folder>/Horvane.zip
# with the exe and README.txt: docs/user-readme.txt (UTF-8) converted to GBK with CRLF line
# ends, which Notepad shows right on every Chinese Windows, old ones included.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="$(cd "${1:?usage: release.sh <release-build-folder>}" && pwd)"
exe="$build/Horvane.exe"
[[ -f "$exe" ]] || { echo "release: $exe is not built" >&2; exit 1; }

version="$(sed -n 's/^project(Horvane VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
python3 "$root/tests/release/check_exe.py" "$exe" --objdump x86_64-w64-mingw32-objdump \
    --imports --version "$version" --manifest --stripped --size-goal 400

stage="$build/package"
rm -rf "$stage" "$build/Horvane.zip"
mkdir -p "$stage"
cp "$exe" "$stage/Horvane.exe"
iconv -f UTF-8 -t GBK "$root/docs/user-readme.txt" | sed 's/$/\r/' >"$stage/README.txt"
(cd "$stage" && python3 -m zipfile -c "$build/Horvane.zip" Horvane.exe README.txt)
python3 - "$build/Horvane.zip" <<'PY'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    files = ", ".join("%s %.1f KiB" % (i.filename, i.file_size / 1024) for i in z.infolist())
print("release: %s (%.1f KiB): %s" % (sys.argv[1], os.path.getsize(sys.argv[1]) / 1024, files))
PY
