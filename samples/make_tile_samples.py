#!/usr/bin/env python3
"""Draws the castle sample: a castle with a red and a blue tower on a green hill under a sunny
sky, mirrored in the moat below it. Writes the three sources that draw it together:

  castle_tiles.cgx    the characters (planar 4-bit, 1,024 characters of 32 bytes)
  castle_map.scr      the 32 x 32 screen that places them
  castle_colours.col  the four palettes the screen uses

The picture is drawn once as colour roles (0-15) and cut into 8 x 8 cells. Cells that repeat,
also mirrored or upside down, share one character, so the screen uses both flips: the castle's
right half is its left half flipped horizontally, and the moat is the scene flipped vertically.
The right half uses palette 2, which differs from palette 0 only in the roof colour, so one
tower is red and the other blue; the moat uses the water-tinted palettes 1 and 3. Characters
are given out alternately from the two halves of the character file (0, 512, 1, 513, ...).

Deterministic: the same files every run. Standard library only.
Usage: python3 make_tile_samples.py [output directory, default: this script's directory]
"""

import math
import os
import struct
import sys

WIDTH, HEIGHT = 256, 160  # the scene above the water: screen rows 0-19
SKY, HORIZON, CLOUD, SUN, SUN_RIM = 1, 2, 3, 4, 5
STONE_LIGHT, STONE, MORTAR, WINDOW, WINDOW_LIT = 6, 7, 8, 9, 10
DOOR, ROOF, GRASS, GRASS_DARK, OUTLINE = 11, 12, 13, 14, 15

# Palette 0, the daylight colours of the roles, as 5-bit red, green, blue.
DAYLIGHT = [
    (0, 0, 0), (12, 20, 31), (20, 26, 31), (31, 31, 31), (31, 29, 10), (31, 21, 6),
    (26, 25, 22), (19, 18, 17), (11, 10, 10), (4, 4, 8), (31, 27, 8),
    (16, 9, 4), (27, 6, 5), (11, 24, 8), (5, 15, 5), (3, 3, 4),
]


def mirror_distance(x):
    """Distance from the picture's vertical middle; drawing by it keeps the castle symmetric."""
    return abs(x - 127.5)


def sky(x, y):
    if y < 84:
        return SKY
    if y < 96:  # a dithered band into the paler horizon
        return HORIZON if (x + y) % 2 == 0 or y >= 92 else SKY
    return HORIZON


def sun_or_cloud(x, y):
    distance = math.hypot(x - 204, y - 30)
    if distance < 11:
        return SUN
    if distance < 14:
        return SUN_RIM
    for cx, cy, rx, ry in ((44, 36, 22, 7), (58, 30, 13, 8), (124, 56, 18, 5), (134, 51, 10, 6)):
        if ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 < 1:
            return CLOUD
    return None


def hill_top(x):
    d = mirror_distance(x)
    return int(118 + 10 * math.cos(d / 128 * math.pi * 1.5) ** 2)


def brick(x, y):
    """Stone courses of 8 x 4 blocks, mirrored about the middle, lit from the top."""
    d = int(mirror_distance(x))
    course = y // 4
    if y % 4 == 0:
        return MORTAR
    if (d + 4 * (course % 2)) % 8 == 0:
        return MORTAR
    return STONE_LIGHT if y % 4 == 1 else STONE


def battlement(y, top, d, left, right):
    """Merlons 6 pixels high above a wall whose top is at `top`, between distances left-right."""
    if not (left <= d < right):
        return None
    if y >= top:
        return True
    if y >= top - 6 and (int(d) - left) % 12 < 6:
        return True
    return None


def castle(x, y):
    d = mirror_distance(x)
    # The flag poles and flags above the towers (towers span distances 40-64).
    if 50 <= d < 52 and 10 <= y < 24:
        return OUTLINE
    if 52 <= d < 64 and 10 <= y < 18 and d - 52 < 12 - abs(y - 14) * 1.5:
        return ROOF
    # The towers' cone roofs.
    if 24 <= y < 48 and abs(d - 52) < (y - 22) * 0.55:
        return ROOF if abs(d - 52) < (y - 22) * 0.55 - 1 else OUTLINE
    # Tower bodies with a tall arched window each.
    if 40 <= d < 64 and 48 <= y < 144:
        if 48 <= d < 56 and 64 <= y < 84 and (y >= 68 or abs(d - 52) < y - 63):
            return WINDOW
        return OUTLINE if y == 48 or d < 41 or d >= 63 else brick(x, y)
    # The keep, with battlements, two dark windows, the lit middle window and the door.
    if battlement(y, 64, d, 0, 32) and y < 144:
        if 14 <= d < 24 and 80 <= y < 96 and (y >= 84 or abs(d - 19) < y - 79):
            return WINDOW
        if d < 4 and 76 <= y < 92 and (y >= 80 or d < y - 76):
            return WINDOW_LIT
        if d < 12 and 112 <= y < 144 and (y >= 124 or math.hypot(d, y - 124) < 12):
            edge = d >= 11 or (y < 124 and math.hypot(d, y - 124) >= 11)
            return OUTLINE if edge else (OUTLINE if int(d) % 4 == 3 else DOOR)
        return brick(x, y)
    # Walls between the keep and the towers, and the outer walls.
    if battlement(y, 96, d, 32, 40) and y < 144:
        return brick(x, y)
    if battlement(y, 104, d, 64, 88) and y < 144:
        return OUTLINE if d >= 87 else brick(x, y)
    return None


def meadow(x, y):
    if y >= 144:
        d = int(mirror_distance(x))
        if y == 144 or (d * 7 + y * 3) % 11 == 0:
            return GRASS_DARK
        return GRASS
    return None


def hill(x, y):
    return GRASS_DARK if y >= hill_top(x) else None


def scene_role(x, y):
    # From the front to the back: the meadow, the castle, the hills, the sun and clouds, the sky.
    for layer in (meadow, castle, hill, sun_or_cloud):
        role = layer(x, y)
        if role is not None:
            return role
    return sky(x, y)


def draw_scene():
    return [[scene_role(x, y) for x in range(WIDTH)] for y in range(HEIGHT)]


def cell(scene, row, column):
    return tuple(tuple(scene[8 * row + r][8 * column:8 * column + 8]) for r in range(8))


def flip_cell(pixels, horizontal, vertical):
    rows = pixels[::-1] if vertical else pixels
    return tuple(tuple(r[::-1]) if horizontal else r for r in rows)


def character_slot(k):
    """The k-th new character goes alternately to the left and the right half of the file."""
    return k // 2 if k % 2 == 0 else 512 + k // 2


def planar_character(pixels):
    """32 bytes: planes 0 and 1 of the eight rows, then planes 2 and 3; bit 7 is the left pixel."""
    low, high = bytearray(), bytearray()
    for row in pixels:
        planes = [sum(((colour >> p) & 1) << (7 - x) for x, colour in enumerate(row))
                  for p in range(4)]
        low += bytes(planes[0:2])
        high += bytes(planes[2:4])
    return bytes(low + high)


def build_screen(scene):
    """Returns the characters (number -> pixels) and the 1,024 screen entries."""
    characters = {}
    known = {}  # pixels, in each of the four flips, -> (character, horizontal, vertical)
    entries = [0] * 1024
    for row in range(HEIGHT // 8):
        for column in range(32):
            pixels = cell(scene, row, column)
            if pixels not in known:
                number = character_slot(len(characters))
                characters[number] = pixels
                for horizontal in (False, True):
                    for vertical in (False, True):
                        known.setdefault(flip_cell(pixels, horizontal, vertical),
                                         (number, horizontal, vertical))
            number, horizontal, vertical = known[pixels]
            palette = 0 if column < 16 else 2
            entries[32 * row + column] = screen_entry(number, palette, horizontal, vertical)
            # The moat mirrors the scene upside down in the water palettes: row 20 shows row 19,
            # row 21 row 18, down to row 31 showing row 8.
            water_row = 39 - row
            if water_row < 32:
                entries[32 * water_row + column] = screen_entry(number, palette + 1, horizontal,
                                                                not vertical)
    return characters, entries


def screen_entry(number, palette, horizontal, vertical):
    return number | palette << 10 | (1 << 14 if horizontal else 0) | (1 << 15 if vertical else 0)


def gba_colour(rgb):
    r, g, b = rgb
    return r | g << 5 | b << 10


def palettes():
    blue_roof = list(DAYLIGHT)
    blue_roof[ROOF] = (6, 11, 28)

    def in_water(colours):
        return [(r * 5 // 10, g * 6 // 10, min(31, b * 7 // 10 + 6)) for r, g, b in colours]

    colours = DAYLIGHT + in_water(DAYLIGHT) + blue_roof + in_water(blue_roof)
    colours += [(0, 0, 0)] * (256 - len(colours))
    return colours


def main():
    directory = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    characters, entries = build_screen(draw_scene())
    sheet = bytearray(32 * 1024)
    for number, pixels in characters.items():
        sheet[32 * number:32 * number + 32] = planar_character(pixels)
    files = {
        "castle_tiles.cgx": bytes(sheet),
        "castle_map.scr": struct.pack("<1024H", *entries),
        "castle_colours.col": struct.pack("<256H", *(gba_colour(c) for c in palettes())),
    }
    for name, data in files.items():
        with open(os.path.join(directory, name), "wb") as out:
            out.write(data)
    print(f"{len(characters)} characters; wrote " + ", ".join(files))


if __name__ == "__main__":
    main()
