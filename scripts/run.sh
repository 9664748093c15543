#!/usr/bin/env bash
# Starts Quorrin under Wine with a DLL in its path box: the DLL named as the
# argument (a host path, or a Windows path such as C:\windows\system32\x.dll)
# or, without one, Wine's own 32-bit kernel32.dll. Installs what is missing
# and builds build/win first.
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
exec scripts/wine-run.sh build/win/shell/Quorrin.exe "$dll"
