#!/usr/bin/env bash
# Where no Notepad can be attached (Windows 11): the seconds from the run to
# a listing's file handed to the shell, for a synthetic DLL with 65,535 names
# (make_big_dll.py), through bench-viewer.sh's program. Builds nothing: run it
# after the Windows build.
#   bench-file.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
dll=$(mktemp --suffix=.dll)
trap 'rm -f "$dll"' EXIT
python3 scripts/make_big_dll.py "$dll" 65535
bash scripts/bench-viewer.sh --file "Z:$(echo "$dll" | tr / '\\')" "${1:-3}"
