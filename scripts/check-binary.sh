#!/usr/bin/env bash
# Quorrin.exe, as the build leaves it, may import only the system DLLs it is
# meant to, and must stay within 64 KiB.
#   check-binary.sh Quorrin.exe (the tests and scripts/release.sh)
set -euo pipefail
imports=$(i686-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' |
    tr a-z A-Z | sort -u | xargs)
system='(COMDLG32|GDI32|KERNEL32|MSVCRT|SHELL32|USER32)\.DLL'
unexpected=$(printf '%s\n' $imports | { grep -vxE "$system" || true; } | xargs)
size=$(stat -c %s "$1")
echo "size: $size bytes (limit 65536); imports: $imports${unexpected:+; unexpected: $unexpected}"
[ -z "$unexpected" ] && [ "$size" -le 65536 ]
