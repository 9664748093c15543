# Sourced by the scripts that build or run the Windows build: which build this
# machine can run. A kernel without 32-bit emulation (ia32_emulation off, as
# on some virtual machines) starts no 32-bit program, Wine's 32-bit loader
# included; there the same sources are built for x86_64 and run by 64-bit
# Wine, and the i686 build is only built and checked.
#   win_arch    i686 or x86_64
#   win_build   its build folder: build/win or build/win64
#   win_loader  the Wine loader that runs its programs
#   win_configure   configures win_build unless it already is
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    win_arch=i686 win_build=build/win win_loader=wine
else
    win_arch=x86_64 win_build=build/win64 win_loader=/usr/lib/wine/wine64
    export WINELOADER=$win_loader # the loader Wine starts further programs with
fi
win_configure() {
    [ -f "$win_build/build.ninja" ] ||
        cmake -S . -B "$win_build" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
            -DCMAKE_TOOLCHAIN_FILE="$(pwd)/cmake/$win_arch-w64-mingw32.cmake" >/dev/null
}
