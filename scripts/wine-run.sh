#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix, with the
# Japanese ANSI code page, on a virtual screen when there is no display.
#   wine-run.sh PROGRAM.exe [ARGS...]
# QUORRIN_WINEPREFIX chooses the prefix (default: build/wineprefix beside
# this script's repository); QUORRIN_SCREEN the Xvfb screen (1024x768x24).
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/windows.sh"
export WINEPREFIX=${QUORRIN_WINEPREFIX:-$here/../build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
mkdir -p "$WINEPREFIX"
if [ ! -f "$WINEPREFIX/.quorrin-ready-2" ]; then
    # First use, serialised against parallel runs: create the prefix, set up
    # its fonts and the headless run's desktop (wine-prefix.sh), then end the
    # set-up's Wine server (started without a screen) so that the first real
    # session starts afresh.
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
if [ -z "${DISPLAY:-}" ]; then
    # A display of its own for this one run: Wine's processes in the prefix
    # must not outlive it.
    xvfb-run -a -s "-screen 0 ${QUORRIN_SCREEN:-1024x768x24}" \
        sh -c '"$0" "$@"; rc=$?; wineserver -k; exit $rc' "$win_loader" "$@"
    exit $?
fi
exec "$win_loader" "$@"
