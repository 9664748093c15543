#!/usr/bin/env python3
"""usage: compare_with_peer.py QUORRIN_LIST LLVM_READOBJ

The lister against llvm-readobj on every DLL of Debian's Wine and mingw-w64: the same named exports
with the same ordinals. Then the lister onto a full disk: exit 1, with a message."""
import glob
import os
import re
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

SEARCHED = ["/usr/lib/i386-linux-gnu/wine/i386-windows",
            "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows",
            "/usr/lib/gcc/*-w64-mingw32", "/usr/*-w64-mingw32"]
HEADER = "序数        関 数 名".encode("cp932") + b"\r\n"
NO_EXPORTS = "エクスポートテーブルがありません".encode("cp932")


def compare(lister, readobj, path):
    """What differs (None when nothing does) and how many names were listed. llvm-readobj refuses
    export tables without a name table, as the lister finds no table in them."""
    run = subprocess.run([lister, path], capture_output=True)
    lines = run.stdout[len(HEADER):]
    ours = [(int(o), n) for o, n in re.findall(rb" *(\d+)   (.*?)\r\n", lines, re.S)]
    if run.returncode != 0 and NO_EXPORTS in run.stderr:
        ours = []
    elif run.returncode != 0 or not run.stdout.startswith(HEADER):
        return f"failed, or no header: {run.stderr!r}", 0
    elif b"".join(b"%4d   %s\r\n" % pair for pair in ours) != lines:
        return 'a line is not "%4d   %s" with CR LF', 0
    peer = subprocess.run([readobj, "--coff-exports", path], capture_output=True)
    pairs = re.findall(rb"\n *Ordinal: (\d+)\n *Name: (.*\S)", peer.stdout)
    theirs = sorted((int(o), n) for o, n in pairs) if peer.returncode == 0 else []
    if sorted(ours) != theirs:
        missing = sorted(set(theirs) - set(ours))[:3]
        extra = sorted(set(ours) - set(theirs))[:3]
        return f"missing {missing} extra {extra}", 0
    return None, len(ours)


def main():
    lister, readobj = sys.argv[1:]
    found = (p for top in SEARCHED for p in glob.glob(top + "/**/*.dll", recursive=True))
    real = {os.path.realpath(p) for p in found if os.path.isfile(p) and not os.path.islink(p)}
    dlls = sorted(real)
    with ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        results = list(pool.map(lambda path: compare(lister, readobj, path), dlls))
    for path, (why, _) in zip(dlls, results):
        if why:
            print(f"MISMATCH {path}: {why}")
    matched = sum(1 for why, _ in results if not why)
    named = sum(1 for _, n in results if n)
    print(f"{matched} of {len(results)} DLLs match the peer ({named} with named exports, "
          f"{sum(n for _, n in results)} names in all)")
    if len(results) < 100:
        print("too few DLLs found: are Wine and mingw-w64 installed?")
        return 1
    # A listing that cannot be written is a failure, and says so: standard output on a full disk.
    # The smallest listing stays in the output's buffer until the last flush.
    smallest = min((n, path) for path, (_, n) in zip(dlls, results) if n)[1]
    with open("/dev/full", "wb") as full:
        run = subprocess.run([lister, smallest], stdout=full, stderr=subprocess.PIPE)
    if run.returncode != 1 or b"could not be written" not in run.stderr:
        print(f"{smallest} onto a full disk: exit {run.returncode}, {run.stderr!r}")
        return 1
    return 0 if matched == len(results) else 1


if __name__ == "__main__":
    sys.exit(main())
