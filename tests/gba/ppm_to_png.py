#!/usr/bin/env python3
"""Joins binary PPM frames side by side, 8 pixels apart on white, into one PNG screenshot.

Usage: ppm_to_png.py OUTPUT.png FRAME.ppm [FRAME.ppm ...]    Standard library only.
"""

import struct
import sys
import zlib

GAP = 8


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = data.split(maxsplit=4)  # P6, width, height, 255, pixels
    if fields[0] != b"P6" or fields[3] != b"255":
        sys.exit(f"{path}: not a binary PPM of 8-bit samples")
    width, height = int(fields[1]), int(fields[2])
    return width, height, fields[4][: width * height * 3]


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    frames = [read_ppm(path) for path in sys.argv[2:]]
    height = max(h for _, h, _ in frames)
    width = sum(w for w, _, _ in frames) + GAP * (len(frames) - 1)
    rows = []
    for y in range(height):
        row = bytearray(b"\x00")  # filter type 0: the row as it is
        for i, (w, h, pixels) in enumerate(frames):
            if i:
                row += b"\xff" * 3 * GAP
            row += pixels[y * w * 3 : (y + 1) * w * 3] if y < h else b"\xff" * 3 * w
        rows.append(bytes(row))
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9))
    png += chunk(b"IEND", b"")
    with open(sys.argv[1], "wb") as f:
        f.write(png)


main()
