#!/usr/bin/env python3
"""Writes a valid PE32 DLL with COUNT named exports (default 65,535), named
fn00000, fn00001, ..., for the benchmark: a larger export table than any DLL
shipped here.

usage: make_big_dll.py OUTPUT [COUNT]
"""
import struct
import sys


def build(count):
    names = [b"fn%05d" % i for i in range(count)]
    text_rva, text_raw, text_size = 0x1000, 0x400, 0x200
    edata_rva, edata_raw = 0x2000, 0x600
    eat = 40
    npt = eat + 4 * count
    ot = npt + 4 * count
    dll_name = ot + 2 * count
    strings = dll_name + len(b"big.dll\0")
    blob = bytearray(strings + sum(len(n) + 1 for n in names))
    struct.pack_into("<IIHHIIIIIII", blob, 0, 0, 0, 0, 0, edata_rva + dll_name, 1, count, count,
                     edata_rva + eat, edata_rva + npt, edata_rva + ot)
    blob[dll_name:dll_name + 8] = b"big.dll\0"
    at = strings
    for i, name in enumerate(names):
        struct.pack_into("<I", blob, eat + 4 * i, text_rva)
        struct.pack_into("<I", blob, npt + 4 * i, edata_rva + at)
        struct.pack_into("<H", blob, ot + 2 * i, i)
        blob[at:at + len(name) + 1] = name + b"\0"
        at += len(name) + 1
    edata_size = (len(blob) + 0x1FF) & ~0x1FF
    blob += b"\0" * (edata_size - len(blob))

    dos = bytearray(64)
    dos[0:2] = b"MZ"
    struct.pack_into("<I", dos, 60, 64)
    file_header = struct.pack("<HHIIIHH", 0x14C, 2, 0, 0, 0, 224, 0x2102)
    image_size = (edata_rva + edata_size + 0xFFF) & ~0xFFF
    optional = struct.pack("<HBBIIIIIIIIIHHHHHHIIIIHHIIIIII", 0x10B, 1, 0, text_size, edata_size, 0,
                           text_rva, text_rva, edata_rva, 0x10000000, 0x1000, 0x200, 4, 0, 0, 0,
                           4, 0, 0, image_size, 0x400, 0, 2, 0, 0x100000, 0x1000, 0x100000,
                           0x1000, 0, 16)
    directories = bytearray(128)
    struct.pack_into("<II", directories, 0, edata_rva, len(blob))
    sections = b""
    for name, rva, size, raw, flags in ((b".text", text_rva, text_size, text_raw, 0x60000020),
                                        (b".edata", edata_rva, edata_size, edata_raw, 0x40000040)):
        sections += struct.pack("<8sIIIIIIHHI", name, size, rva, size, raw, 0, 0, 0, 0, flags)
    headers = dos + b"PE\0\0" + file_header + optional + directories + sections
    headers += b"\0" * (text_raw - len(headers))
    text = b"\xc3" + b"\0" * (text_size - 1)
    return bytes(headers) + text + bytes(blob)


if __name__ == "__main__":
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 65535
    with open(sys.argv[1], "wb") as out:
        out.write(build(count))
