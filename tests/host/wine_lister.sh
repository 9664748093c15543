#!/usr/bin/env bash
# wine_lister.sh LISTER.exe FILE: the Windows lister on a host file, under Wine.
lister=$1 file=$2
exec "$(dirname "$0")/../../scripts/wine-run.sh" "$lister" "Z:${file//\//\\}"
