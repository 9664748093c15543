#!/usr/bin/env bash
# Where no Notepad can be attached (Windows 11): the seconds from the run to
# a listing's file handed to the shell, for a synthetic DLL with 65,535 names
# (make_big_dll.py). Builds nothing: run it after the Windows build.
#   bench-file.sh [ROUNDS]
# QUORRIN_WIN_BUILD picks another Windows build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows.sh
bench=${QUORRIN_WIN_BUILD:-$win_build}/tools/quorrin-bench-viewer.exe
if [ ! -f "$bench" ]; then
    echo "bench-file.sh: $bench is missing: build the Windows build first" >&2
    exit 1
fi
dll=$(mktemp --suffix=.dll)
trap 'rm -f "$dll"' EXIT
python3 scripts/make_big_dll.py "$dll" 65535
scripts/wine-run.sh "$bench" --file "Z:$(echo "$dll" | tr / '\\')" "${1:-3}"
