#!/usr/bin/env bash
# The program as a user meets it, timed under Wine in one run: start to a
# shown main window against Wine's own Notepad, and a whole run (press run to
# listing done) for a DLL of 1,400 names, with the viewer still to be started
# and with it open. Builds build/win first.
#   bench-window.sh
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows.sh
win_configure
cmake --build "$win_build" --target Quorrin quorrin-drive >/dev/null
dll=build/bench-window-1400.dll
python3 scripts/make_big_dll.py "$dll" 1400

winpath() { echo "Z:$(realpath "$1" | tr / '\\')"; }
# Each measurement on the same virtual screen; the prefix's server is ended after.
scripts/wine-run.sh --session "$(winpath $win_build/tools/quorrin-drive.exe)" bench \
    "$(winpath $win_build/shell/Quorrin.exe)" \
    'C:\windows\notepad.exe' "$(winpath "$dll")"
