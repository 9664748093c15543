#!/usr/bin/env bash
# Installs everything the project builds, tests and benchmarks with, from
# Debian's packages. Safe to run again: it first works out what is missing
# (packages, the ja_JP.UTF-8 locale, wine32) and, when nothing is, says so and
# succeeds for any user. Only an install needs root: another user's run goes
# through sudo when sudo works, and otherwise fails, printing the commands for
# root to run.
# wine32:i386 (Wine's 32-bit loader, with the i386 architecture it comes from)
# is wanted, not needed: without it the Windows tests run the x86_64 build
# under 64-bit Wine. When its install fails, a marker says so machine-wide and
# later runs leave it alone, so that no command pays for a failing apt run
# again; --retry-wine32 (as root) tries once more.
#   setup.sh [--retry-wine32]
# QUORRIN_WINE32_MARKER: the marker (default /var/lib/quorrin/wine32-failed).
set -euo pipefail

packages=(
    cmake ninja-build make g++ clang libclang-rt-14-dev llvm binutils clang-format
    libgtest-dev
    mingw-w64 g++-mingw-w64-i686 binutils-mingw-w64-i686
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 gnat-mingw-w64-i686
    wine wine64 xvfb xauth x11-apps imagemagick
    fonts-ipafont-gothic fonts-wine hyperfine time valgrind python3 locales zip unzip
)
marker=${QUORRIN_WINE32_MARKER:-/var/lib/quorrin/wine32-failed}
retry=false
[ "${1:-}" = --retry-wine32 ] && retry=true

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
# Wine names files on the host in the locale's character set: without a
# generated ja_JP.UTF-8 it is ASCII and no Japanese file name can be made.
add_locale=false
locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' || add_locale=true
add_wine32=false
if ! installed wine32:i386 && { $retry || [ ! -e "$marker" ]; }; then add_wine32=true; fi
add_i386=false
dpkg --print-foreign-architectures | grep -qx i386 || add_i386=true
needed=false
if [ ${#missing[@]} -gt 0 ] || $add_locale; then needed=true; fi
wine32_cmds="apt-get update && apt-get install wine32:i386"
if $add_i386; then wine32_cmds="dpkg --add-architecture i386 && $wine32_cmds"; fi

if ! $needed && ! $add_wine32; then
    if installed wine32:i386; then
        echo "setup.sh: everything is installed"
    else
        echo "setup.sh: everything is installed but wine32:i386, whose install failed here" \
            "(sudo bash scripts/setup.sh --retry-wine32 tries again)"
    fi
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null && sudo -v 2>/dev/null; then
        echo "setup.sh: installing through sudo" >&2
        exec sudo bash "$(realpath "${BASH_SOURCE[0]}")" "$@"
    fi
    if ! $needed; then
        echo "setup.sh: wine32:i386 is not installed, and the Windows tests run the x86_64" \
            "build under 64-bit Wine; root can add it: $wine32_cmds" >&2
        exit 0
    fi
    {
        echo "setup.sh: something is missing, and installing it needs root. As root, run:"
        if [ ${#missing[@]} -gt 0 ]; then
            echo "    apt-get update"
            echo "    apt-get install -y --no-install-recommends ${missing[*]}"
        fi
        if $add_locale; then echo "    localedef -i ja_JP -f UTF-8 ja_JP.UTF-8"; fi
        if $add_wine32; then echo "    $wine32_cmds    # optional"; fi
    } >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
updated=false
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup.sh: installing what is missing: ${missing[*]}"
    # One index that fails to update (a mirror mid-sync) need not stop the
    # install: the install itself fails when a package cannot be had.
    apt-get update -qq || true
    updated=true
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if $add_locale; then localedef -i ja_JP -f UTF-8 ja_JP.UTF-8; fi
if $add_wine32; then
    echo "setup.sh: installing wine32:i386"
    log=$(mktemp)
    trap 'rm -f "$log"' EXIT
    if $add_i386; then
        dpkg --add-architecture i386
        updated=false
    fi
    { $updated || apt-get update -qq; } >"$log" 2>&1 || true
    if apt-get install -y -qq --no-install-recommends wine32:i386 >>"$log" 2>&1; then
        rm -f "$marker"
    else
        # Leave the machine as it was: dpkg refuses while an i386 package is installed.
        if $add_i386; then dpkg --remove-architecture i386 2>/dev/null || true; fi
        mkdir -p "$(dirname "$marker")"
        cp "$log" "$marker" && chmod 644 "$marker"
        echo "setup.sh: wine32:i386 did not install (apt's words in $marker): the Windows" \
            "tests will run the x86_64 build under 64-bit Wine; the i686 build is built and" \
            "checked but not run"
    fi
fi
echo "setup.sh: done"
