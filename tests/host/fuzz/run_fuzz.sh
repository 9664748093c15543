#!/usr/bin/env bash
# run_fuzz.sh FUZZER CORPUS_DIR SECONDS: seeds the corpus with small real
# DLLs (both machine kinds, with and without names), then fuzzes.
set -euo pipefail
fuzzer=$1 corpus=$2 seconds=$3
mkdir -p "$corpus"
for dll in /usr/lib/i386-linux-gnu/wine/i386-windows/{vga,msnet32,xinput1_1,zlib1,version,lz32}.dll \
           /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/{msnet32,xinput1_1,version}.dll; do
    [ -f "$dll" ] && cp -f "$dll" "$corpus/seed-$(basename "$(dirname "$dll")")-$(basename "$dll")"
done
exec "$fuzzer" "$corpus" -max_total_time="$seconds" -max_len=262144 -rss_limit_mb=2048 -timeout=10 -print_final_stats=1
