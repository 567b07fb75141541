// The pieces of generated text that more than one converter writes: the array declaration's
// head, a palette entry, and the shape of the character sheet.
#pragma once

#include "convert/common/text_writer.h"

// "const u16 BASE_SUFFIX[COUNT", where an array of count elements begins: the rest of the line
// follows.
void write_declaration_head(TextWriter &text, const char *base_name, const char *suffix,
                            long long count);

// Writes entry index of count as "RGB(r,g,b)" from 5-bit components, in its place in the array:
// four to a line, a numbered group comment before every sixteenth, a comma after all but the
// last.
void write_palette_entry(TextWriter &text, int index, int count, unsigned red, unsigned green,
                         unsigned blue);

// The sheet the character converter writes and the screen converter's map points into: 32 x 32
// tiles, numbered row by row, with a character file's first 512 characters (16 to a row) in its
// left half and the next 512 in its right half.
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
