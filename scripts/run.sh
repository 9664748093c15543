#!/usr/bin/env bash
# Starts Quorrin under Wine with a DLL in its path box: the DLL named as the
# argument (a host path, or a Windows path such as C:\windows\system32\x.dll)
# or, without one, Wine's own kernel32.dll (the 32-bit one where wine32 is
# installed). Installs what is missing and builds build/win first. Without a
# display it runs the listing headless and prints it (see the end of this
# script).
#   run.sh [DLL]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

default_dll=/usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll
# Without wine32 there is only the 64-bit one.
[ -e "$default_dll" ] || default_dll=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/kernel32.dll
dll=${1:-$default_dll}

bash scripts/setup.sh >/dev/null
. scripts/windows.sh
win_configure
[ "$win_arch" = i686 ] ||
    echo "run.sh: $win_why: running the $win_arch build ($win_build)" >&2
cmake --build "$win_build" --target Quorrin >/dev/null

# A file of this machine is named through Wine's Z: drive.
if [ -e "$dll" ]; then
    dll='Z:'$(realpath "$dll" | tr / '\\')
fi
if [ -n "${DISPLAY:-}" ]; then
    exec scripts/wine-run.sh $win_build/shell/Quorrin.exe "$dll"
fi

# No display (a server, CI): the whole job on a virtual screen, as a user
# would do it (quorrin-drive): the path into the box, the run button, the
# viewer minimized while the lines come in. Progress and any message box go
# to standard error, the viewer's text to standard output as UTF-8, and a
# picture of the main window and the viewer to $QUORRIN_SCREENSHOT (default
# build/quorrin-run.png). The exit code is the driver's: 0 for a listing.
cmake --build "$win_build" --target quorrin-drive >/dev/null
picture=${QUORRIN_SCREENSHOT:-$root/build/quorrin-run.png}
bitmap=$(mktemp --suffix=.bmp)
trap 'rm -f "$bitmap"' EXIT
winpath() { echo "Z:$(realpath "$1" | tr / '\\')"; }
status=0
scripts/wine-run.sh --session "$(winpath $win_build/tools/quorrin-drive.exe)" run \
    "$(winpath $win_build/shell/Quorrin.exe)" "$dll" "$(winpath "$bitmap")" || status=$?
if [ $status -eq 0 ]; then
    convert "$bitmap" "$picture"
    echo "run.sh: screenshot in $picture" >&2
fi
exit $status
