#!/usr/bin/env python3
"""Draws Morvane's two sample bitmaps: ship16.bmp (4-bit, a small spaceship over stars) and
sunset256.bmp (8-bit, a sun setting over the sea). Both are written in the classic layout: a
40-byte information header, a full colour table and bottom-up rows. The drawing is
deterministic, so running this again writes the same bytes."""

import math
import os
import struct


def write_bitmap(path, width, height, bits, palette, rows):
    """rows: lists of colour indices, the top row first; palette: (red, green, blue) tuples."""
    entries = 1 << bits
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    table += bytes(4 * (entries - len(palette)))
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        if bits == 8:
            pixels += bytes(row)
        else:
            pixels += bytes(row[x] << 4 | row[x + 1] for x in range(0, width, 2))
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835,
                       len(palette), 0)
    with open(path, "wb") as out:
        out.write(header + info + table + pixels)


def draw_ship():
    width, height = 64, 32
    palette = [
        (4, 6, 24),      # 0 space
        (90, 90, 120),   # 1 faint star
        (255, 255, 255), # 2 bright star
        (120, 128, 140), # 3 hull
        (200, 208, 216), # 4 hull light
        (64, 68, 80),    # 5 hull shadow
        (40, 120, 232),  # 6 canopy
        (176, 224, 255), # 7 canopy glint
        (208, 32, 24),   # 8 flame red
        (248, 136, 16),  # 9 flame orange
        (255, 232, 96),  # 10 flame yellow
        (200, 24, 64),   # 11 wing stripe
    ]
    rows = [[0] * width for _ in range(height)]
    seed = 12345
    for _ in range(40):  # a fixed scatter of stars from a small linear congruential sequence
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        x, y = seed % width, (seed >> 8) % height
        rows[y][x] = 2 if seed & 0x10000 else 1
    cy = 16
    for x in range(14, 58):  # the hull: a rounded body thinning to a nose at the right
        half = int(6 * math.sqrt(max(0.0, 1 - ((x - 30) / 28.0) ** 2)) + 0.5)
        for y in range(cy - half, cy + half + 1):
            rows[y][x] = 4 if y < cy - half // 2 else 5 if y > cy + half // 2 else 3
    for x in range(18, 34):  # wings above and below, swept back
        reach = (x - 18) // 2
        for y in range(cy - 14 + reach, cy - 5):
            rows[y][x] = 11 if y == cy - 14 + reach else 3
        for y in range(cy + 6, cy + 15 - reach):
            rows[y][x] = 11 if y == cy + 14 - reach else 5
    for x in range(38, 48):  # the canopy
        for y in range(cy - 3, cy + 1):
            if (x - 43) ** 2 / 25.0 + (y - cy + 1) ** 2 / 4.0 <= 1.0:
                rows[y][x] = 7 if (x, y) in ((41, cy - 2), (42, cy - 2)) else 6
    for x in range(4, 14):  # the exhaust flame, hottest next to the hull
        half = (x - 4) // 3
        for y in range(cy - half, cy + half + 1):
            rows[y][x] = 10 if x >= 11 and abs(y - cy) <= 1 else 9 if x >= 8 else 8
    return width, height, 4, palette, rows


def draw_sunset():
    width, height, horizon = 128, 64, 40
    palette = []
    for i in range(96):  # 0-95 the sky, from deep violet at the top to gold at the horizon
        t = i / 95.0
        palette.append((int(40 + 215 * t), int(16 + 150 * t * t), int(96 - 70 * t)))
    for i in range(64):  # 96-159 the sea, from the glowing horizon to dark blue
        t = i / 63.0
        palette.append((int(150 * (1 - t)), int(60 + 30 * (1 - t)), int(90 + 60 * t)))
    for i in range(32):  # 160-191 the sun, white-gold at its heart to orange at its rim
        t = i / 31.0
        palette.append((255, int(250 - 110 * t), int(200 - 190 * t)))
    for i in range(64):  # 192-255 the glitter path on the water
        t = i / 63.0
        palette.append((255, int(220 - 80 * t), int(120 - 100 * t)))
    rows = []
    sun_x, sun_y, sun_r = 64, horizon + 2, 18
    for y in range(height):
        row = []
        for x in range(width):
            if y < horizon:
                d = math.hypot(x - sun_x, y - sun_y)
                if d <= sun_r:
                    row.append(160 + min(31, int(31 * d / sun_r)))
                else:
                    row.append(min(95, int(95 * y / (horizon - 1))))
            else:
                depth = y - horizon
                spread = 6 + depth * 1.2
                wave = (x * 3 + depth * 7) % 11 < 4
                if abs(x - sun_x) < spread and wave:
                    row.append(192 + min(63, int(63 * abs(x - sun_x) / spread)))
                else:
                    row.append(96 + min(63, depth * 63 // (height - horizon - 1)))
        rows.append(row)
    return width, height, 8, palette, rows


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    write_bitmap(os.path.join(here, "ship16.bmp"), *draw_ship())
    write_bitmap(os.path.join(here, "sunset256.bmp"), *draw_sunset())
