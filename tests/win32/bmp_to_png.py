"""Turns the 24-bit bottom-up BMP pictures the Windows test driver saves into PNG files, with the
standard library alone. Usage: bmp_to_png.py IN.bmp OUT.png"""

import struct
import sys
import zlib


def read_bmp(path):
    with open(path, 'rb') as source:
        data = source.read()
    if data[:2] != b'BM':
        sys.exit(f'{path}: not a BMP file')
    offset, = struct.unpack_from('<I', data, 10)
    width, height, _, bits = struct.unpack_from('<iiHH', data, 18)
    if bits != 24:
        sys.exit(f'{path}: {bits} bits per pixel, only 24 are read')
    row_bytes = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        stored = abs(height) - 1 - y if height > 0 else y
        start = offset + stored * row_bytes
        bgr = data[start:start + width * 3]
        rgb = bytearray(width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
        rows.append(bytes(rgb))
    return width, abs(height), rows


def png_chunk(kind, body):
    return (struct.pack('>I', len(body)) + kind + body +
            struct.pack('>I', zlib.crc32(kind + body) & 0xFFFFFFFF))


def write_png(path, width, height, rows):
    raw = b''.join(b'\x00' + row for row in rows)  # filter type 0 on every row
    png = (b'\x89PNG\r\n\x1a\n' +
           png_chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)) +
           png_chunk(b'IDAT', zlib.compress(raw, 9)) +
           png_chunk(b'IEND', b''))
    with open(path, 'wb') as out:
        out.write(png)


if __name__ == '__main__':
    if len(sys.argv) != 3:
        sys.exit('usage: bmp_to_png.py IN.bmp OUT.png')
    write_png(sys.argv[2], *read_bmp(sys.argv[1]))
