#!/usr/bin/env bash
# Starts Quorrin under Wine with a DLL in its path box: the DLL named as the
# argument (a host path, or a Windows path such as C:\windows\system32\x.dll)
# or, without one, Wine's own 32-bit kernel32.dll. Installs what is missing
# and builds build/win first. Without a display it runs the listing headless
# and prints it (see the end of this script).
#   run.sh [DLL]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

default_dll=/usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll
dll=${1:-$default_dll}

bash scripts/setup.sh >/dev/null
if [ ! -f build/win/build.ninja ]; then
    cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
fi
cmake --build build/win --target Quorrin >/dev/null

# A file of this machine is named through Wine's Z: drive.
if [ -e "$dll" ]; then
    dll='Z:'$(realpath "$dll" | tr / '\\')
fi
if [ -n "${DISPLAY:-}" ]; then
    exec scripts/wine-run.sh build/win/shell/Quorrin.exe "$dll"
fi

# No display (a server, CI): the whole job on a virtual screen. quorrin-drive
# fills the path box, presses run and waits for the listing; the viewer's
# text goes to standard output as UTF-8, and a PNG of the main window and the
# viewer to $QUORRIN_SCREENSHOT (default build/quorrin-run.png).
cmake --build build/win --target quorrin-drive >/dev/null
export QUORRIN_SCREENSHOT=${QUORRIN_SCREENSHOT:-$root/build/quorrin-run.png}
export WINEPREFIX=${QUORRIN_WINEPREFIX:-$root/build/wineprefix}
winpath() { echo "Z:$(realpath "$1" | tr / '\\')"; }
exec xvfb-run -a -s "-screen 0 ${QUORRIN_SCREEN:-1024x768x24}" bash -c '
    log=$(mktemp)
    scripts/wine-run.sh "$1" run "$2" "$3" 2>"$log"
    rc=$?
    if [ $rc -eq 0 ]; then
        crop=$(sed -n "s/^crop //p" "$log" | tail -n 1)
        xwd -root -silent | convert xwd:- -crop "$crop" +repage "$QUORRIN_SCREENSHOT"
        echo "run.sh: screenshot in $QUORRIN_SCREENSHOT" >&2
    else
        cat "$log" >&2
    fi
    rm -f "$log"
    wineserver -k
    exit $rc' run.sh "$(winpath build/win/tools/quorrin-drive.exe)" \
    "$(winpath build/win/shell/Quorrin.exe)" "$dll"
