#!/usr/bin/env python3
"""usage: compare_with_peer.py QUORRIN_LIST LLVM_READOBJ [DLL...]

The lister (a command, split at blanks) against llvm-readobj, or objdump -p
where it refuses a file, on the given DLLs or every DLL of Debian's Wine and
mingw-w64 packages: the same named exports with the same ordinals. Prints how
many files matched; exits 1 on any mismatch."""
import glob
import os
import re
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

SEARCHED = ["/usr/lib/i386-linux-gnu/wine/i386-windows", "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows",
            "/usr/lib/gcc/i686-w64-mingw32", "/usr/lib/gcc/x86_64-w64-mingw32",
            "/usr/i686-w64-mingw32", "/usr/x86_64-w64-mingw32"]
HEADER = "序数        関 数 名".encode("cp932")
NO_EXPORTS = "エクスポートテーブルがありません".encode("cp932")


def lister_view(lister, path):
    """(ordinal, name) pairs, or None when the lister found no export table."""
    run = subprocess.run(lister.split() + [path], capture_output=True)
    if run.returncode != 0:
        if NO_EXPORTS in run.stderr:
            return None
        raise RuntimeError(f"lister failed: {run.stderr!r}")
    lines = run.stdout.split(b"\r\n")
    if lines[0] != HEADER or lines[-1] != b"":
        raise RuntimeError("listing does not start with the header or end with CR LF")
    pairs = []
    for line in lines[1:-1]:
        # "%4d   %s": the ordinal right-aligned in at least four columns.
        ordinal = re.match(rb" *(\d+)   ", line)
        if not ordinal or ordinal[0] != b"%4d   " % int(ordinal[1]):
            raise RuntimeError(f"malformed line {line!r}")
        pairs.append((int(ordinal[1]), line[ordinal.end():]))
    return pairs


def peer_view(readobj, path):
    """Named exports as llvm-readobj --coff-exports sees them, or objdump -p
    for the files that it refuses (export tables without a name table)."""
    try:
        out = subprocess.run([readobj, "--coff-exports", path], capture_output=True, check=True).stdout
        return [(int(o), n) for o, n in re.findall(rb"\n *Ordinal: (\d+)\n *Name: (.*\S)", out)]
    except subprocess.CalledProcessError:
        out = subprocess.run(["objdump", "-p", path], capture_output=True, check=True).stdout
    base = int(re.search(rb"-- Ordinal Base (\d+)", out)[1]) if b"-- Ordinal Base " in out else 0
    pairs = []
    for line in out.partition(b"[Ordinal/Name Pointer] Table")[2].splitlines()[1:]:
        line = line.strip()
        if line.startswith(b"[") and b"]" in line:
            ordinal, _, name = line[1:].partition(b"] ")
            pairs.append(((int(ordinal) + base) & 0xFFFF, name))
        elif line and not line.startswith(b"Invalid"):
            break
    return pairs


def compare(lister, readobj, path):
    """What differs (None when nothing does) and how many names were listed."""
    try:
        ours, theirs = lister_view(lister, path), peer_view(readobj, path)
    except (RuntimeError, subprocess.CalledProcessError) as error:
        return str(error), 0
    if ours is None:
        return "no export table, but the peer lists names" if theirs else None, 0
    if sorted(ours) != sorted(theirs):
        return f"missing {sorted(set(theirs) - set(ours))[:3]} extra {sorted(set(ours) - set(theirs))[:3]}", 0
    return None, len(ours)


def main():
    lister, readobj, given = sys.argv[1], sys.argv[2], sys.argv[3:]
    dlls = given or sorted({os.path.realpath(path) for top in SEARCHED
                            for path in glob.glob(os.path.join(top, "**", "*.dll"), recursive=True)
                            if os.path.isfile(path) and not os.path.islink(path)})
    with ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        results = list(pool.map(lambda path: compare(lister, readobj, path), dlls))
    for path, (why, _) in zip(dlls, results):
        if why:
            print(f"MISMATCH {path}: {why}")
    matched = sum(1 for why, _ in results if not why)
    print(f"{matched} of {len(results)} DLLs match the peer ({sum(1 for _, n in results if n)} with named "
          f"exports, {sum(n for _, n in results)} names in all)")
    if not given and len(results) < 100:
        print("too few DLLs found: are Wine and mingw-w64 installed?")
        return 1
    return 0 if matched == len(results) else 1


if __name__ == "__main__":
    sys.exit(main())
