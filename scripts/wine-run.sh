#!/usr/bin/env bash
# The one way the scripts and CTest run Windows programs under Wine: in the
# project's own prefix (made on first use), with the Japanese ANSI code page,
# on a display or a virtual screen.
#   wine-run.sh [--session] COMMAND [ARGS...]
# A COMMAND ending in .exe (a host or a Windows path) runs under the Wine
# loader of scripts/windows.sh; any other (ctest) runs as is, in the same
# environment, so that the Windows programs it starts through this script
# (CTest's emulator) share its screen and Wine server. With --session, or
# when there is no display, the command gets a virtual screen of its own
# (Xvfb) and the prefix's Wine server is ended after it (wineserver -k: a
# Notepad left asking to save its text would hold up the end of a session),
# the exit code staying the command's. Otherwise it runs on $DISPLAY.
# QUORRIN_WINEPREFIX chooses the prefix (default: build/wineprefix beside
# this script's repository); QUORRIN_SCREEN the Xvfb screen (1024x768x24).
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/windows.sh"
session=false
if [ "${1:-}" = --session ]; then
    session=true
    shift
fi
if [ $# -eq 0 ]; then
    echo "usage: wine-run.sh [--session] COMMAND [ARGS...]" >&2
    exit 2
fi
export WINEPREFIX=${QUORRIN_WINEPREFIX:-$(dirname "$here")/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=} # no Mono or Gecko
# Nothing in the home folder: the menu entries and file types that Wine's
# menu builder writes at each session's start, and fontconfig's caches, go
# into the prefix. (winemenubuilder.exe=d would keep them out too, but the
# menu builder also starts the session's desktop: without it, a Notepad that
# is a session's first window shows it only after WaitForInputIdle returns,
# and the viewer test's first launch finds no window.)
export XDG_CONFIG_HOME=$WINEPREFIX/xdg/config
export XDG_DATA_HOME=$WINEPREFIX/xdg/data
export XDG_CACHE_HOME=$WINEPREFIX/xdg/cache
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8

if $session || [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 ${QUORRIN_SCREEN:-1024x768x24}" \
        bash -c '"$0" "$@"; rc=$?; wineserver -k; exit $rc' "$here/wine-run.sh" "$@"
fi

mkdir -p "$WINEPREFIX"
if [ ! -f "$WINEPREFIX/.quorrin-ready-2" ]; then
    # First use, serialised against parallel runs: create the prefix, set up
    # its fonts and the headless run's desktop (wine-prefix.sh), then end the
    # set-up's Wine server so that the first real session starts afresh.
    (
        flock 9
        if [ ! -f "$WINEPREFIX/.quorrin-ready-2" ]; then
            "$win_loader" wineboot -i >/dev/null 2>&1 9>&-
            "$here/wine-prefix.sh"
            wineserver -k 9>&- 2>/dev/null
            wineserver -w 9>&-
            touch "$WINEPREFIX/.quorrin-ready-2"
        fi
    ) 9>"$WINEPREFIX.lock"
fi
case $1 in
*.[eE][xX][eE]) exec "$win_loader" "$@" ;;
*) exec "$@" ;;
esac
