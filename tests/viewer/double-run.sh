#!/usr/bin/env bash
# Runs a test program in a Wine prefix of its own on an Xvfb screen of its
# own, for the tests that replace the prefix's Notepad with a stand-in:
#   double-run.sh PREFIX WIDTHxHEIGHT PROGRAM.exe [ARGS...]
set -eu
prefix=$1 screen=$2
shift 2
export QUORRIN_WINEPREFIX=$prefix QUORRIN_SCREEN=${screen}x24 QUORRIN_DOUBLE_PREFIX=1
unset DISPLAY
exec "$(dirname "$0")/../../scripts/wine-run.sh" "$@"
