#!/usr/bin/env bash
# Quorrin.exe, as the build leaves it, may import only the system DLLs it is
# meant to, and must stay within 64 KiB.
#   check_binary.sh Quorrin.exe
set -euo pipefail
allowed=" COMDLG32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL SHELL32.DLL USER32.DLL "
imports=$(i686-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' |
    tr '[:lower:]' '[:upper:]' | sort -u | xargs)
status=0
for dll in $imports; do
    [[ $allowed == *" $dll "* ]] || { echo "unexpected import: $dll (allowed:$allowed)" >&2; status=1; }
done
size=$(stat -c %s "$1") limit=65536
echo "size: $size bytes (limit $limit); imports: $imports"
[ "$size" -le "$limit" ] || { echo "$1 is $size bytes, over $limit" >&2; status=1; }
exit $status
