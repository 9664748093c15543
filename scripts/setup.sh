#!/usr/bin/env bash
# Installs everything the project builds, tests and benchmarks with, from
# Debian's packages. Safe to run again: it first works out what is missing
# (packages, the i386 architecture that wine32 comes from, the ja_JP.UTF-8
# locale) and, when nothing is, says so and succeeds for any user. Only an
# install needs root: another user's run goes through sudo when sudo works,
# and otherwise fails, printing the commands for root to run.
set -euo pipefail

packages=(
    cmake ninja-build make g++ clang libclang-rt-14-dev llvm binutils clang-format
    libgtest-dev
    mingw-w64 g++-mingw-w64-i686 binutils-mingw-w64-i686
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 gnat-mingw-w64-i686
    wine wine32:i386 wine64 xvfb xauth x11-apps imagemagick
    fonts-ipafont-gothic fonts-wine hyperfine time valgrind python3 locales zip unzip
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$p")
done
add_i386=false
dpkg --print-foreign-architectures | grep -qx i386 || add_i386=true
# Wine names files on the host in the locale's character set: without a
# generated ja_JP.UTF-8 it is ASCII and no Japanese file name can be made.
add_locale=false
locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' || add_locale=true

if [ ${#missing[@]} -eq 0 ] && ! $add_i386 && ! $add_locale; then
    echo "setup.sh: everything is installed"
    exit 0
fi

install_missing() {
    if $add_i386; then dpkg --add-architecture i386; fi
    if [ ${#missing[@]} -gt 0 ]; then
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
    if $add_locale; then localedef -i ja_JP -f UTF-8 ja_JP.UTF-8; fi
}

if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null && sudo -v; then
        echo "setup.sh: installing through sudo" >&2
        exec sudo bash "$(realpath "${BASH_SOURCE[0]}")"
    fi
    # The commands of install_missing(), for root to run.
    {
        echo "setup.sh: something is missing, and installing it needs root. As root, run:"
        if $add_i386; then echo "    dpkg --add-architecture i386"; fi
        if [ ${#missing[@]} -gt 0 ]; then
            echo "    apt-get update"
            echo "    apt-get install -y --no-install-recommends ${missing[*]}"
        fi
        if $add_locale; then echo "    localedef -i ja_JP -f UTF-8 ja_JP.UTF-8"; fi
    } >&2
    exit 1
fi

echo "setup.sh: installing what is missing${missing[*]:+: ${missing[*]}}"
export DEBIAN_FRONTEND=noninteractive
install_missing
echo "setup.sh: done"
