// The sheet the character converter writes and the screen converter's map points into: 32 x 32
// tiles, numbered row by row, with a character file's first 512 characters (16 to a row) in its
// left half and the next 512 in its right half.
#pragma once

constexpr int SheetColumns = 32;
constexpr int HalfColumns = 16;

// The sheet tile that shows character (0 to 1023) of a character file.
inline unsigned sheet_tile_of_character(unsigned character) {
  unsigned half = character / 512, row = character % 512 / HalfColumns;
  return row * SheetColumns + half * HalfColumns + character % HalfColumns;
}

// The character of a character file that sheet tile (0 to 1023) shows.
inline unsigned character_at_sheet_tile(unsigned tile) {
  unsigned row = tile / SheetColumns, column = tile % SheetColumns;
  return column / HalfColumns * 512 + row * HalfColumns + column % HalfColumns;
}
