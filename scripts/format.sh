#!/usr/bin/env bash
# Formats every tracked C++ file with the project's .clang-format. With
# --check it changes nothing and fails, naming the files, when a C++ file
# differs from its formatted form or any tracked text line is over 100 columns.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" != --check ]; then
    exec clang-format -i "${sources[@]}"
fi
unformatted=()
for f in "${sources[@]}"; do
    clang-format --dry-run --Werror "$f" 2>/dev/null || unformatted+=("$f")
done
# Bytes, as awk counts them here: a Japanese character counts three.
wide=$(git ls-files | grep -vE '\.(png|ico|md)$' |
    xargs awk 'length > 100 { print "  " FILENAME ":" FNR }')
if [ ${#unformatted[@]} -gt 0 ]; then
    echo "format.sh: not formatted (bash scripts/format.sh formats them):" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
fi
[ -z "$wide" ] || printf 'format.sh: lines over 100 columns:\n%s\n' "$wide" >&2
[ ${#unformatted[@]} -eq 0 ] && [ -z "$wide" ]
