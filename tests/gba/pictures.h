// The frames the GBA should show, decoded here straight from the source files, and the
// comparison that holds the emulator's frame against them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

constexpr int screen_width = 240;
constexpr int screen_height = 160;

// One screen of pixels, row by row from the top, each 0xBBGGRR as the emulator hands it over.
using Frame = std::vector<std::uint32_t>;

// How the GBA shows a 15-bit colour: each 5-bit component c becomes (c << 3) | (c >> 2).
std::uint32_t shown_colour(std::uint16_t gba_colour);

// The bitmap's picture from the top left corner over the backdrop of colour 0, its pixels taken
// from the offset the file header gives, as common decoders take them. An empty result with `why`
// set when the file is not a 4- or 8-bit bitmap (uncompressed, RLE4 or RLE8) of the screen's size
// or less.
Frame expected_bitmap_frame(const Bytes &bmp, std::string &why);

// The 240 x 160 pixels from (scroll_x, scroll_y) on of a screen file's 32 x 32 characters from
// a character file, coloured by a colour file. Short sources count as zero-filled.
Frame expected_tiles_frame(const Bytes &cgx, const Bytes &scr, const Bytes &col, int scroll_x,
                           int scroll_y);

struct Difference {
  int count = 0;    // pixels that differ
  int first_x = -1; // the first one, in reading order
  int first_y = -1;
  std::uint32_t expected = 0, shown = 0;
};

Difference compare_frames(const Frame &expected, const Frame &shown);
