#!/usr/bin/env python3
"""The lister against llvm-readobj on every i386 and x86_64 DLL that Debian's
Wine and mingw-w64 packages ship: the same named exports with the same
ordinals, file by file. Prints how many files matched; exits 1 on any
mismatch.

usage: compare_with_peer.py QUORRIN_LIST LLVM_READOBJ [DLL...]
QUORRIN_LIST may be a command with arguments, split at blanks.
"""
import glob
import os
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

SEARCHED = [
    "/usr/lib/i386-linux-gnu/wine/i386-windows",
    "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows",
    "/usr/lib/gcc/i686-w64-mingw32",
    "/usr/lib/gcc/x86_64-w64-mingw32",
    "/usr/i686-w64-mingw32",
    "/usr/x86_64-w64-mingw32",
]
HEADER = "序数        関 数 名".encode("cp932")
NO_EXPORTS = "エクスポートテーブルがありません".encode("cp932")


def all_dlls():
    found = set()
    for top in SEARCHED:
        for path in glob.glob(os.path.join(top, "**", "*.dll"), recursive=True):
            if os.path.isfile(path) and not os.path.islink(path):
                found.add(os.path.realpath(path))
    return sorted(found)


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
        digits = line.lstrip(b" ")
        width = len(line) - len(digits)
        ordinal = digits[:len(digits) - len(digits.lstrip(b"0123456789"))]
        rest = digits[len(ordinal):]
        if not ordinal or width + len(ordinal) < 4 or (width and width + len(ordinal) != 4) \
                or not rest.startswith(b"   "):
            raise RuntimeError(f"malformed line {line!r}")
        pairs.append((int(ordinal), rest[3:]))
    return pairs


def peer_view(readobj, path):
    """Named exports as llvm-readobj --coff-exports sees them."""
    run = subprocess.run([readobj, "--coff-exports", path], capture_output=True, check=True)
    pairs, ordinal = [], None
    for raw in run.stdout.splitlines():
        line = raw.strip()
        if line.startswith(b"Ordinal: "):
            ordinal = int(line[len(b"Ordinal: "):])
        elif line.startswith(b"Name: ") and ordinal is not None:
            pairs.append((ordinal, line[len(b"Name: "):]))
        elif line == b"}":
            ordinal = None
    return pairs


def objdump_view(path):
    """Named exports as objdump -p sees them: the second peer, for the files
    that llvm-readobj refuses (export tables without a name table)."""
    run = subprocess.run(["objdump", "-p", path], capture_output=True, check=True)
    pairs, base, in_table = [], 0, False
    for raw in run.stdout.splitlines():
        line = raw.strip()
        if b"-- Ordinal Base " in line:
            base = int(line.split(b"-- Ordinal Base ")[1].split()[0])
        elif line.startswith(b"[Ordinal/Name Pointer] Table"):
            in_table = True
        elif in_table and line.startswith(b"[") and b"]" in line:
            ordinal, _, name = line[1:].partition(b"] ")
            pairs.append(((int(ordinal) + base) & 0xFFFF, name))
        elif in_table and line and not line.startswith(b"Invalid"):
            in_table = False
    return pairs


def compare(lister, readobj, path):
    try:
        ours = lister_view(lister, path)
        try:
            theirs = peer_view(readobj, path)
        except subprocess.CalledProcessError:
            theirs = objdump_view(path)
    except (RuntimeError, subprocess.CalledProcessError) as error:
        return path, False, str(error), 0
    if ours is None:
        return path, not theirs, "no export table, but the peer lists names", 0
    if sorted(ours) != sorted(theirs):
        missing = sorted(set(theirs) - set(ours))[:3]
        extra = sorted(set(ours) - set(theirs))[:3]
        return path, False, f"missing {missing} extra {extra}", len(ours)
    return path, True, "", len(ours)


def main():
    lister, readobj = sys.argv[1], sys.argv[2]
    dlls = sys.argv[3:] or all_dlls()
    with ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        results = list(pool.map(lambda p: compare(lister, readobj, p), dlls))
    failed = [r for r in results if not r[1]]
    named = sum(1 for r in results if r[1] and r[3] > 0)
    names = sum(r[3] for r in results if r[1])
    for path, _, why, _ in failed:
        print(f"MISMATCH {path}: {why}")
    print(f"{len(results) - len(failed)} of {len(results)} DLLs match the peer "
          f"({named} with named exports, {names} names in all)")
    if not sys.argv[3:] and len(results) < 100:
        print("too few DLLs found: are Wine and mingw-w64 installed?")
        return 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
