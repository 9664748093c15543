#!/usr/bin/env bash
# Quorrin.exe may import only the system DLLs it is meant to, and stripped it
# must stay within 64 KiB.
#   check_binary.sh Quorrin.exe
set -euo pipefail
allowed=" COMDLG32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL SHELL32.DLL USER32.DLL "
imports=$(i686-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' |
    tr '[:lower:]' '[:upper:]' | sort -u | xargs)
status=0
for dll in $imports; do
    [[ $allowed == *" $dll "* ]] || { echo "unexpected import: $dll (allowed:$allowed)" >&2; status=1; }
done
copy=$(mktemp)
trap 'rm -f "$copy"' EXIT
i686-w64-mingw32-strip -o "$copy" "$1"
size=$(stat -c %s "$copy") limit=65536
echo "stripped size: $size bytes (limit $limit); imports: $imports"
[ "$size" -le "$limit" ] || { echo "stripped size $size exceeds $limit bytes" >&2; status=1; }
exit $status
