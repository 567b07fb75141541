"""Draws Morvane's shell icon: a 32 x 32 sheet of colour swatches, as one 16-colour and one
256-colour image in a single .ico file. Usage: make_icon.py OUTPUT.ico"""

import struct
import sys

SIZE = 32

# The Windows 16-colour palette, as (red, green, blue).
STANDARD_16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, SILVER, GREY, WHITE = 0, 4, 7, 8, 15
# The sixteen swatches of the 16-colour image, row by row.
SWATCHES_16 = [9, 11, 10, 14, 12, 13, 1, 3, 2, 6, 4, 5, 15, 7, 8, 0]


def palette_256():
    """The 16 standard colours, then a 6 x 6 x 6 colour cube, then black."""
    colours = list(STANDARD_16)
    for r in range(6):
        for g in range(6):
            for b in range(6):
                colours.append((r * 51, g * 51, b * 51))
    return colours + [(0, 0, 0)] * (256 - len(colours))


def cube_index(r, g, b):
    return 16 + r * 36 + g * 6 + b


def draw(swatch_pixel):
    """The picture as rows of palette indices (top row first) and a transparency mask.

    A navy frame with rounded corners holds a 4 x 4 grid of 5 x 5 swatches; swatch_pixel picks
    the index of one pixel from (swatch number, x, y inside the swatch)."""
    pixels = [[NAVY] * SIZE for _ in range(SIZE)]
    transparent = [[False] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            # Rounded corners: the three outermost pixels of each corner stay transparent.
            cx = min(x, SIZE - 1 - x)
            cy = min(y, SIZE - 1 - y)
            if cx + cy < 3:
                transparent[y][x] = True
                pixels[y][x] = BLACK
            elif cx == 0 or cy == 0 or cx + cy == 3:
                pixels[y][x] = BLACK
            elif 3 <= x < 29 and 3 <= y < 29:
                pixels[y][x] = GREY
    for number in range(16):
        left = 4 + (number % 4) * 6
        top = 4 + (number // 4) * 6
        for dy in range(5):
            for dx in range(5):
                pixels[top + dy][left + dx] = swatch_pixel(number, dx, dy)
    return pixels, transparent


def shaded_swatch(number, dx, dy):
    """A swatch of the 256-colour image: one hue of the colour cube, lighter towards the top."""
    hues = [(5, 0, 0), (5, 5, 0), (0, 5, 0), (0, 5, 5), (0, 0, 5), (5, 0, 5), (5, 2, 0), (2, 5, 0),
            (0, 5, 2), (0, 2, 5), (2, 0, 5), (5, 0, 2), (5, 5, 5), (3, 3, 3), (5, 3, 1), (1, 3, 5)]
    r, g, b = hues[number]
    shade = 4 - dy  # 4 at the top row, 0 at the bottom
    lift = min(shade, 2)
    return cube_index(max(0, min(5, r - 2 + lift + (dx == 0))),
                      max(0, min(5, g - 2 + lift + (dx == 0))),
                      max(0, min(5, b - 2 + lift + (dx == 0))))


def image_bytes(bits, palette, pixels, transparent):
    """One icon image: the bitmap header (twice the height: colour bits, then the mask), the
    palette, the colour bits and the 1-bit mask, both bottom row first."""
    colour_row = SIZE * bits // 8  # 16 or 32 bytes, already a multiple of 4
    mask_row = 4  # 32 bits
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, bits, 0,
                         (colour_row + mask_row) * SIZE, 0, 0, 0, 0)
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    colour = bytearray()
    mask = bytearray()
    for y in reversed(range(SIZE)):
        row = pixels[y]
        if bits == 4:
            colour += bytes(row[x] << 4 | row[x + 1] for x in range(0, SIZE, 2))
        else:
            colour += bytes(row)
        value = 0
        for x in range(SIZE):
            value = value << 1 | transparent[y][x]
        mask += struct.pack('>I', value)
    return header + table + bytes(colour) + bytes(mask)


def icon_file():
    low = image_bytes(4, STANDARD_16,
                      *draw(lambda number, dx, dy: SWATCHES_16[number]))
    high = image_bytes(8, palette_256(), *draw(shaded_swatch))
    images = [(16, 4, low), (0, 8, high)]  # colour count 0 means 256
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b''
    for colour_count, bits, data in images:
        entries += struct.pack('<BBBBHHII', SIZE, SIZE, colour_count, 0, 1, bits, len(data),
                               offset)
        offset += len(data)
    return directory + entries + b''.join(data for _, _, data in images)


if __name__ == '__main__':
    if len(sys.argv) != 2:
        sys.exit('usage: make_icon.py OUTPUT.ico')
    with open(sys.argv[1], 'wb') as out:
        out.write(icon_file())
