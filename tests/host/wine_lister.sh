#!/usr/bin/env bash
# wine_lister.sh LISTER.exe FILE: the Windows lister on a host file, under Wine.
exec "$(dirname "$0")/../../scripts/wine-run.sh" "$1" "Z:${2//\//\\}"
