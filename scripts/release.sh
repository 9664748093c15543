#!/usr/bin/env bash
# Makes the release, dist/Quorrin-<version>-win32.zip, and prints its SHA-256.
# It holds what release/ installs: the stripped i686 Quorrin.exe (its imports
# and size checked), quorrin-list.exe and readme.txt. Builds of the same
# sources give the same bytes, in any folder, at any time, by any user: the
# binaries carry no time stamp and no build path, and every file in the zip
# carries the last commit's time (SOURCE_DATE_EPOCH, when set) and a fixed
# mode, with no owner and no other extra field, in a fixed order. (Not CPack: CMake 3.25's archives
# list the files in directory order and record their owner, both of which
# change from one file system or user to the next.)
#   release.sh [BUILD]    BUILD: its build folder, made afresh (build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build/release}

bash scripts/setup.sh >/dev/null
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
export TZ=UTC # zip writes each file's time as local time

rm -rf "$build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel -DQUORRIN_WINE_TESTS=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" >/dev/null
cmake --build "$build" --target Quorrin quorrin-list quorrin_readme >/dev/null
scripts/check-binary.sh "$build/shell/Quorrin.exe" >&2
cmake --install "$build" --prefix "$build/zip" >/dev/null

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
zip=$root/dist/Quorrin-$version-win32.zip
files=(Quorrin.exe quorrin-list.exe readme.txt)
mkdir -p dist
rm -f "$zip"
cd "$build/zip"
touch -d "@$SOURCE_DATE_EPOCH" "${files[@]}"
# The zip records each file's Unix mode: fixed here, whatever the user's umask.
chmod 0755 Quorrin.exe quorrin-list.exe
chmod 0644 readme.txt
zip -X -q "$zip" "${files[@]}"
cd "$root"
sha256sum "dist/${zip##*/}"
