#!/usr/bin/env bash
# Quorrin.exe may import only the system DLLs it is meant to, and stripped it
# must stay within 64 KiB.
#   check_binary.sh Quorrin.exe
set -euo pipefail
exe=$1
allowed="COMDLG32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL SHELL32.DLL USER32.DLL"
imports=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' |
    tr '[:lower:]' '[:upper:]' | sort -u | tr '\n' ' ' | sed 's/ $//')
status=0
for dll in $imports; do
    case " $allowed " in
    *" $dll "*) ;;
    *) echo "unexpected import: $dll (allowed: $allowed)" >&2; status=1 ;;
    esac
done
copy=$(mktemp)
trap 'rm -f "$copy"' EXIT
i686-w64-mingw32-strip -o "$copy" "$exe"
size=$(stat -c %s "$copy")
limit=65536
echo "stripped size: $size bytes (limit $limit); imports: $imports"
if [ "$size" -gt "$limit" ]; then
    echo "stripped size $size exceeds $limit bytes" >&2
    status=1
fi
exit $status
