#!/usr/bin/env bash
# run_fuzz.sh FUZZER CORPUS_DIR SECONDS: fuzzes from small real DLLs of both kinds, with and without
# names.
set -euo pipefail
mkdir -p "$2"
wine=/usr/lib/i386-linux-gnu/wine/i386-windows wine64=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
for dll in $wine/{vga,msnet32,xinput1_1,zlib1,version,lz32}.dll \
    $wine64/{msnet32,xinput1_1,version}.dll; do
    [ -f "$dll" ] && cp -f "$dll" "$2/seed-$(basename "$(dirname "$dll")")-$(basename "$dll")"
done
exec "$1" "$2" -max_total_time="$3" -max_len=262144 -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=1
