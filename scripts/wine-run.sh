#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix, with the
# Japanese ANSI code page, on a virtual screen when there is no display.
#   wine-run.sh PROGRAM.exe [ARGS...]
# QUORRIN_WINEPREFIX chooses the prefix (default: build/wineprefix beside
# this script's repository); QUORRIN_SCREEN the Xvfb screen (1024x768x24).
set -u
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${QUORRIN_WINEPREFIX:-$here/../build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
mkdir -p "$WINEPREFIX"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    # First use: create the prefix once, serialised against parallel runs.
    (
        flock 9
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            wineboot -i >/dev/null 2>&1
            wineserver -w
        fi
    ) 9>"$WINEPREFIX.lock"
fi
# Japanese face names to the IPA fonts (once per prefix).
[ -f "$WINEPREFIX/.quorrin-fonts-1" ] || (flock 9; "$here/wine-fonts.sh") 9>"$WINEPREFIX.lock"
if [ -z "${DISPLAY:-}" ]; then
    # A display of its own for this one run: Wine's processes in the prefix
    # must not outlive it.
    xvfb-run -a -s "-screen 0 ${QUORRIN_SCREEN:-1024x768x24}" \
        sh -c 'wine "$@"; rc=$?; wineserver -k; exit $rc' wine-run "$@"
    exit $?
fi
exec wine "$@"
