#!/usr/bin/env bash
# Every test of the project, from a fresh machine: installs what is missing,
# then builds and tests the host build, the sanitizer and fuzzer build, the
# release (built twice in two folders, compared) and the Windows build under
# Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh

echo "== format: every C++ file as clang-format makes it, no line over 100 columns"
bash scripts/format.sh --check

echo "== host build: unit tests and real DLLs"
cmake -S . -B build/host -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/host
ctest --test-dir build/host --output-on-failure -j2

echo "== host tests again under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORRIN_SANITIZE=ON \
    >/dev/null
cmake --build build/sanitize
ctest --test-dir build/sanitize --output-on-failure -j2

echo "== a minute of fuzzing the reader (clang libFuzzer, ASan + UBSan)"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORRIN_SANITIZE=ON -DQUORRIN_FUZZ=ON >/dev/null
cmake --build build/fuzz
ctest --test-dir build/fuzz --output-on-failure

echo "== the release, then again from a copy of the sources elsewhere: the same bytes"
sum=$(bash scripts/release.sh)
rm -rf build/release-copy && mkdir -p build/release-copy
git ls-files -z | xargs -0 cp --parents -t build/release-copy
again=$(SOURCE_DATE_EPOCH=$(git log -1 --format=%ct) bash build/release-copy/scripts/release.sh)
echo "$sum"
[ "$again" = "$sum" ] || { echo "the second build differs: $again" >&2; exit 1; }

. scripts/windows.sh
echo "== Windows build, tests under Wine"
if [ "$win_arch" != i686 ]; then
    echo "Here the i686 build (the one users copy) is built and checked, not run ($win_why);"
    echo "its tests run on the x86_64 build of the same sources, under 64-bit Wine."
    cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DQUORRIN_WINE_TESTS=OFF >/dev/null
    cmake --build build/win
    ctest --test-dir build/win --output-on-failure
fi
win_configure
cmake --build "$win_build"
# One virtual screen and one Wine server for the whole run (CTest starts each
# test through wine-run.sh too), ended after it; the exit code is CTest's.
scripts/wine-run.sh --session ctest --test-dir "$win_build" --output-on-failure
