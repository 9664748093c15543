#!/usr/bin/env bash
# windres writes no dependency file, so the build itself must know what quorrin.rc includes:
# in a copy of the sources, the resource object is built, then the version raised and the
# included files touched one by one, and it must be rebuilt each time.
set -eu
src=$(cd "$(dirname "$0")/../.." && pwd)
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
(cd "$src" && git ls-files -zco --exclude-standard | xargs -0 cp --parents -t "$t" 2>/dev/null) ||
    true
cmake -S "$t" -B "$t/b" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$t/cmake/x86_64-w64-mingw32.cmake" \
    -DQUORRIN_WINE_TESTS=OFF >/dev/null
build() { cmake --build "$t/b" --target quorrin_resources; }
build >/dev/null
res=$(find "$t/b" -name 'quorrin.rc.*' -type f)
sed -i 's/^project(Quorrin VERSION [0-9.]*/project(Quorrin VERSION 9.8.7.6/' "$t/CMakeLists.txt"
build >/dev/null
tr -d '\0' <"$res" | grep -qa '9, 8, 7, 6' || { echo "FAIL: the old version is built in"; exit 1; }
# Each file changes alone: every other input and the object are made older first (an input
# and its object written in one clock tick would look up to date).
for f in res/ids.h res/quorrin.ico res/quorrin.manifest; do
    find "$t" "$t/b/shell/version.h" -path "$t/b" -prune -o -type f -exec touch -d -2min {} +
    touch -d -1min "$res"
    touch "$t/$f"
    build | grep -q 'Building RC' || { echo "FAIL: not rebuilt after $f changed"; exit 1; }
done
