#!/usr/bin/env bash
# Installs everything the project builds, tests and benchmarks with, from
# Debian's packages. Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(
    cmake ninja-build make g++ clang libclang-rt-14-dev llvm binutils clang-format
    libgtest-dev
    mingw-w64 g++-mingw-w64-i686 binutils-mingw-w64-i686
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 gnat-mingw-w64-i686
    wine wine32 wine64 xvfb xauth x11-apps imagemagick
    fonts-ipafont-gothic fonts-wine hyperfine time valgrind python3 locales zip unzip
)

if [ "$(id -u)" -ne 0 ]; then
    echo "setup.sh: run as root (it installs Debian packages)" >&2
    exit 1
fi

# Wine names files on the host in the locale's character set: without a
# generated ja_JP.UTF-8 it is ASCII and no Japanese file name can be made.
ensure_japanese_locale() {
    locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' || localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
}

missing=()
for p in "${packages[@]}"; do
    arch_p=$p
    [ "$p" = wine32 ] && arch_p=wine32:i386
    dpkg-query -W -f='${Status}' "$arch_p" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$p")
done
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    missing+=(wine32)
fi
if [ ${#missing[@]} -eq 0 ]; then
    ensure_japanese_locale
    echo "setup.sh: everything is installed"
    exit 0
fi
echo "setup.sh: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
ensure_japanese_locale
echo "setup.sh: done"
