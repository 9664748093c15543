#!/usr/bin/env bash
# The benchmark: prints figures, asserts nothing.
#  1. The lister (host build) against llvm-readobj --coff-exports, objdump -p
#     and the floor (cat of a file holding the listing's bytes): median
#     whole-process times, the commands in turns, and ratios, on the largest
#     export table shipped here (mingw-w64's libgnat) and on a synthetic DLL
#     with 65,535 names; instructions per line (callgrind: the same count
#     whatever else the machine does); the lister's peak memory against what
#     the reader holds.
#  2. Under Wine, when the Windows build exists: the viewer and window figures.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh >/dev/null
cmake -S . -B build/host -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/host --target quorrin-list >/dev/null
lister=$root/build/host/tools/quorrin-list
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

gnat=$(ls /usr/lib/gcc/i686-w64-mingw32/*/adalib/libgnat-*.dll | head -n 1)
python3 scripts/make_big_dll.py "$work/synthetic-65535.dll" 65535
python3 scripts/make_big_dll.py "$work/one-name.dll" 1

# Medians in milliseconds of each command, one line: the commands run in
# turns, a few runs of each per turn, so that a slow stretch of the machine
# weighs on all of them alike.
medians() {
    local turn
    for turn in $(seq "${TURNS:-10}"); do
        hyperfine -N --warmup 1 --runs 3 --export-json "$work/h$turn.json" "$@" >/dev/null 2>&1
    done
    python3 - "$work" "${TURNS:-10}" <<'PY'
import json, statistics, sys
times = {}
for turn in range(1, int(sys.argv[2]) + 1):
    for i, result in enumerate(json.load(open(f"{sys.argv[1]}/h{turn}.json"))["results"]):
        times.setdefault(i, []).extend(result["times"])
print(" ".join("%.3f" % (statistics.median(times[i]) * 1000) for i in sorted(times)))
PY
}

# Bytes the reader holds for a file: 40 per section, 6 per name and the
# export section's raw size.
held_bytes() {
    python3 - "$1" <<'PY'
import struct, sys
d = open(sys.argv[1], "rb").read()
nt = struct.unpack_from("<i", d, 60)[0]
n = struct.unpack_from("<H", d, nt + 6)[0]
opt = nt + 24
plus = struct.unpack_from("<H", d, opt)[0] == 0x20B
rva = struct.unpack_from("<I", d, opt + (112 if plus else 96))[0]
table = opt + struct.unpack_from("<H", d, nt + 20)[0]
secs = [struct.unpack_from("<III", d, table + 40 * i + 12) for i in range(n)]
pick = max(i for i, s in enumerate(secs) if s[0] <= rva)
va, raw_size, raw_ptr = secs[pick]
names = struct.unpack_from("<I", d, rva - va + raw_ptr + 24)[0]
print(40 * n + 6 * names + raw_size)
PY
}

# Instructions that a run of the command executes.
instructions() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
        sed -n 's/.*Collected : //p'
}

peak_kib() { { /usr/bin/time -f %M "$@" 2>&1 >/dev/null || true; } | tail -n 1; }

turns=${TURNS:-10}
echo "Lister benchmark (medians of $((3 * turns)) runs each in $turns turns, whole processes)"
baseline=$(peak_kib "$lister" /nonexistent.dll)
one_name=$(instructions "$lister" "$work/one-name.dll")
for dll in "$gnat" "$work/synthetic-65535.dll"; do
    names=$("$lister" "$dll" | wc -l)
    "$lister" "$dll" >"$work/listing.txt"
    read -r ours readobj objdump floor < <(medians "$lister $dll" \
        "llvm-readobj --coff-exports $dll" "objdump -p $dll" "cat $work/listing.txt")
    peak=$(peak_kib "$lister" "$dll")
    held=$(held_bytes "$dll")
    counted=$(instructions "$lister" "$dll")
    python3 - "$dll" "$((names - 1))" "$ours" "$readobj" "$objdump" "$floor" "$peak" "$baseline" \
        "$held" "$counted" "$one_name" <<'PY'
import os, sys
dll, names = sys.argv[1], int(sys.argv[2])
ours, readobj, objdump, floor = map(float, sys.argv[3:7])
peak, baseline, held, counted, one_name = map(int, sys.argv[7:12])
faster = min(readobj, objdump)
print(f"\n{os.path.basename(dll)}: {names} names")
print(f"  quorrin-list           {ours:8.2f} ms")
print(f"  llvm-readobj           {readobj:8.2f} ms   ({readobj / ours:5.1f}x the lister's time)")
print(f"  objdump -p             {objdump:8.2f} ms   ({objdump / ours:5.1f}x)")
print(f"  floor (cat listing)    {floor:8.2f} ms   (lister = {ours / floor:4.2f}x the floor)")
print(f"  speed-up over the faster peer: {faster / ours:.1f}x (goal: at least 4x)")
print(f"  instructions: {counted:,}, {(counted - one_name) / (names - 1):.0f} a line "
      f"(the run less a one-name run, by callgrind)")
extra = (peak - baseline) * 1024
budget = held + 1024 * 1024
print(f"  peak memory {peak} KiB, {extra / 1024:.0f} KiB over an empty run; "
      f"reader holds {held / 1024:.0f} KiB; budget held + 1 MiB = {budget / 1024:.0f} KiB: "
      f"{'within' if extra <= budget else 'OVER'}")
PY
done

. scripts/windows.sh
for extra in scripts/bench-viewer.sh scripts/bench-file.sh scripts/bench-window.sh; do
    if [ -x "$extra" ] && [ -d "$win_build" ]; then
        echo
        bash "$extra"
    fi
done
