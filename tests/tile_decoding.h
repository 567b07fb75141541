// Decoding for the tile tests: the pixels of a planar source character, the pixels of a GBA
// 4-bit tile, and the numbers read back out of generated sheet and map text.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "support.h"

// Colour indices (0 to 15), [row][x] from the top left pixel.
using CharacterPixels = std::array<std::array<int, 8>, 8>;
using TileValues = std::array<std::uint16_t, 16>;

// Source character s of a character file: 32 bytes, row r in bytes 2r and 2r+1 (planes 0 and
// 1) and 16+2r and 17+2r (planes 2 and 3), bit 7 the leftmost pixel. Bytes beyond the file
// count as 0.
inline CharacterPixels planar_character(const Bytes &file, int s) {
  auto byte_at = [&](std::size_t offset) { return offset < file.size() ? file[offset] : 0; };
  CharacterPixels pixels{};
  std::size_t start = 32 * static_cast<std::size_t>(s);
  for (int r = 0; r < 8; ++r) {
    const int planes[4] = {byte_at(start + 2 * r), byte_at(start + 2 * r + 1),
                           byte_at(start + 16 + 2 * r), byte_at(start + 17 + 2 * r)};
    for (int x = 0; x < 8; ++x) {
      int colour = 0;
      for (int p = 0; p < 4; ++p) {
        if (planes[p] & (0x80 >> x))
          colour += 1 << p;
      }
      pixels[r][x] = colour;
    }
  }
  return pixels;
}

// A GBA 4-bit tile: two values a row, four pixels a value, the leftmost in the low nibble.
inline CharacterPixels gba_tile(const TileValues &values) {
  CharacterPixels pixels{};
  for (int r = 0; r < 8; ++r) {
    for (int x = 0; x < 8; ++x)
      pixels[r][x] = (values[static_cast<std::size_t>(2 * r + x / 4)] >> (4 * (x % 4))) & 0xF;
  }
  return pixels;
}

inline CharacterPixels flipped(CharacterPixels pixels, bool horizontal, bool vertical) {
  CharacterPixels result{};
  for (int r = 0; r < 8; ++r) {
    for (int x = 0; x < 8; ++x)
      result[r][x] = pixels[vertical ? 7 - r : r][horizontal ? 7 - x : x];
  }
  return result;
}

// The 1024 tiles of a converted character file: after the 7 prologue lines, each character is a
// header line and eight lines of two values ("0x1537, 0x8426, ").
inline std::vector<TileValues> parse_sheet(const std::string &text) {
  std::vector<std::string> lines = crlf_lines(text);
  std::vector<TileValues> tiles;
  if (lines.size() != 7 + 1024 * 9 + 1) {
    ADD_FAILURE() << "a sheet has " << lines.size() << " lines";
    return tiles;
  }
  for (std::size_t n = 0; n < 1024; ++n) {
    TileValues values{};
    for (std::size_t r = 0; r < 8; ++r) {
      const std::string &line = lines[7 + 9 * n + 1 + r];
      values[2 * r] = static_cast<std::uint16_t>(std::stoul(line.substr(0, 6), nullptr, 16));
      values[2 * r + 1] = static_cast<std::uint16_t>(std::stoul(line.substr(8, 6), nullptr, 16));
    }
    tiles.push_back(values);
  }
  return tiles;
}

// The 1024 entries of a converted screen file: every "0x" number after the declaration line.
inline std::vector<std::uint16_t> parse_map(const std::string &text) {
  std::vector<std::uint16_t> entries;
  std::size_t at = text.find("]=");
  while ((at = text.find("0x", at)) != std::string::npos) {
    entries.push_back(static_cast<std::uint16_t>(std::stoul(text.substr(at, 6), nullptr, 16)));
    at += 6;
  }
  EXPECT_EQ(entries.size(), 1024u);
  return entries;
}
