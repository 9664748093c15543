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
# (Xvfb) and a copy of the prefix of its own, so a Wine server of its own:
# two sessions (run.sh beside test.sh) neither see nor end each other's
# windows. The copy's server is ended after the command (wineserver -k: a
# Notepad left asking to save its text would hold up the end of a session)
# and the copy removed, the exit code staying the command's. Otherwise it
# runs on $DISPLAY, in the prefix itself.
# QUORRIN_WINEPREFIX chooses the prefix (default: build/wineprefix beside
# this script's repository; within a session, the session's copy);
# QUORRIN_SCREEN the Xvfb screen (1024x768x24); QUORRIN_LOCALE the locale,
# which gives the code page of a new Wine server (ja_JP.UTF-8: 932;
# C.UTF-8: 1252, as on an English Windows); QUORRIN_DPI, in a session only,
# the screen's DPI (default: the prefix's, 96), set in the copy before the
# command runs, with DPI awareness as each program's manifest asks.
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
export LANG=${QUORRIN_LOCALE:-ja_JP.UTF-8}
export LC_ALL=$LANG

mkdir -p "$WINEPREFIX"
if [ ! -f "$WINEPREFIX/.quorrin-ready-3" ]; then
    # First use, serialised against parallel runs: create the prefix, set up
    # its fonts and the headless run's desktop (wine-prefix.sh), then end the
    # set-up's Wine server so that the first real session starts afresh.
    (
        flock 9
        if [ ! -f "$WINEPREFIX/.quorrin-ready-3" ]; then
            "$win_loader" wineboot -i >/dev/null 2>&1 9>&-
            "$here/wine-prefix.sh"
            wineserver -k 9>&- 2>/dev/null
            wineserver -w 9>&-
            touch "$WINEPREFIX/.quorrin-ready-3"
        fi
    ) 9>"$WINEPREFIX.lock"
fi
if $session || [ -z "${DISPLAY:-}" ]; then
    # Copies left by sessions that were killed: those whose lock no session
    # holds. The lock is taken before the copying starts, and keeps a copy
    # being made (cp -a gives it the prefix's old times); the minute keeps a
    # folder just made whose lock is not taken yet.
    find "$(dirname "$WINEPREFIX")" -maxdepth 1 -mmin +1 -name "${WINEPREFIX##*/}.session.*" \
        -exec sh -c 'flock -n "$0/.quorrin-session" true 2>/dev/null && rm -rf "$0"' {} \;
    copy=$(mktemp -d "$WINEPREFIX.session.XXXXXX")
    exec 8>"$copy/.quorrin-session" # held by every process of the session
    flock 8
    trap 'export WINEPREFIX=$copy; wineserver -k 2>/dev/null; wineserver -w; rm -rf "$copy"' EXIT
    trap 'exit 130' INT TERM
    (flock -s 9 && cp -a --reflink=auto "$WINEPREFIX/." "$copy") 9>"$WINEPREFIX.lock" || exit
    export QUORRIN_WINEPREFIX=$copy WINEPREFIX=$copy
    xvfb-run -a -s "-screen 0 ${QUORRIN_SCREEN:-1024x768x24}" bash -c '
        if [ -n "${QUORRIN_DPI:-}" ]; then
            key="HKCU\Control Panel\Desktop"
            "$0" reg.exe add "$key" /v LogPixels /t REG_DWORD /d "$QUORRIN_DPI" /f &&
                "$0" reg.exe add "$key" /v DpiScalingVer /t REG_DWORD /d 4120 /f || exit
        fi >/dev/null
        "$0" "$@"; rc=$?; wineserver -k; wineserver -w; exit $rc' "$here/wine-run.sh" "$@"
    exit
fi
case $1 in
*.[eE][xX][eE]) exec "$win_loader" "$@" ;;
*) exec "$@" ;;
esac
