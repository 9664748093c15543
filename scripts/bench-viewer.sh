#!/usr/bin/env bash
# The viewer channel's own cost under Wine: a listing of ntdll.dll (1,389
# names) into Notepad through the tool, against the same lines sent as bare
# EM_REPLACESEL messages from a minimal loop. Builds nothing: run it after
# the Windows build (scripts/test.sh makes build/win).
#   bench-viewer.sh [DLL (a Windows path)] [ROUNDS]
#   bench-viewer.sh --file DLL [ROUNDS]   (bench-file.sh)
# QUORRIN_WIN_BUILD picks another Windows build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows.sh
bench=${QUORRIN_WIN_BUILD:-$win_build}/tools/quorrin-bench-viewer.exe
if [ ! -f "$bench" ]; then
    echo "bench-viewer.sh: $bench is missing: build the Windows build first" >&2
    exit 1
fi
exec scripts/wine-run.sh "$bench" "$@"
