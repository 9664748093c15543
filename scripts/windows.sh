# Sourced by the scripts that build or run the Windows build: which build this
# machine can run. Wine's 32-bit loader runs the i686 build; where it does not
# (wine32 is not installed, or the kernel starts no 32-bit program, as on some
# virtual machines with ia32_emulation off) the same sources are built for
# x86_64 and run by 64-bit Wine, and the i686 build is only built and checked.
#   win_arch    i686 or x86_64
#   win_build   its build folder: build/win or build/win64
#   win_loader  the Wine loader that runs its programs
#   win_why     for x86_64, why the i686 build does not run here
#   win_configure   configures win_build unless it already is
win_why=
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    win_arch=i686 win_build=build/win win_loader=wine
else
    win_arch=x86_64 win_build=build/win64 win_loader=/usr/lib/wine/wine64
    export WINELOADER=$win_loader # the loader Wine starts further programs with
    [ -e /usr/lib/wine/wine ] || win_why="wine32 is not installed"
    # A static i386 program that only calls exit(0): a kernel without 32-bit
    # emulation refuses it with "Exec format error".
    win_probe=$(mktemp)
    printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0%b%b' \
        '\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10' \
        '\135\0\0\0\135\0\0\0\5\0\0\0\0\20\0\0\270\1\0\0\0\61\333\315\200' >"$win_probe"
    chmod +x "$win_probe"
    if LC_ALL=C bash -c '"$0"' "$win_probe" 2>&1 | grep -q 'Exec format error'; then
        win_why="${win_why:+$win_why, and }this machine's kernel runs no 32-bit programs"
    fi
    rm -f "$win_probe"
    win_why=${win_why:-"Wine's 32-bit loader (/usr/lib/wine/wine) does not run"}
fi
win_configure() {
    [ -f "$win_build/build.ninja" ] ||
        cmake -S . -B "$win_build" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
            -DCMAKE_TOOLCHAIN_FILE="$(pwd)/cmake/$win_arch-w64-mingw32.cmake" >/dev/null
}
