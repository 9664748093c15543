#!/usr/bin/env python3
# Writes quorrin.ico: one 32 x 32 image with the 16-colour palette, 4 bits
# per pixel, and its AND mask. The picture is a ring with a tail (a "Q") on a
# page; run it again after changing the drawing below.
import struct
import sys

SIZE = 32
# The classic 16-colour palette, (red, green, blue); stored as B, G, R, 0.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, GREY, WHITE = 0, 4, 8, 15


def pixel(x, y):
    """Palette index of (x, y), y counted from the top; None is transparent."""
    if not (3 <= x <= 28 and 1 <= y <= 30):
        return None
    if x in (3, 28) or y in (1, 30):
        return BLACK  # the page's outline
    cx, cy = 15.5, 14.5
    d2 = (x - cx) ** 2 + (y - cy) ** 2
    if 36 <= d2 <= 90:
        return NAVY  # the ring
    if 18 <= x <= 24 and x - 2 <= y <= x + 1 and y >= 19:
        return NAVY  # the tail
    return WHITE if (x + y) % 7 else GREY


def main(path):
    rows_xor, rows_and = [], []
    for y in reversed(range(SIZE)):  # bottom-up rows
        xor = bytearray(SIZE // 2)
        mask = 0
        for x in range(SIZE):
            index = pixel(x, y)
            if index is None:
                mask |= 1 << (SIZE - 1 - x)
                index = 0
            xor[x // 2] |= index << (4 if x % 2 == 0 else 0)
        rows_xor.append(bytes(xor))
        rows_and.append(struct.pack(">I", mask))
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(b"".join(rows_xor)) + len(b"".join(rows_and)), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    image = header + palette + b"".join(rows_xor) + b"".join(rows_and)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    with open(path, "wb") as out:
        out.write(directory + entry + image)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "quorrin.ico")
