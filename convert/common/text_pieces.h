// The pieces of generated text that more than one converter writes: the array declaration's
// head, a character's header line, a palette entry, and the shape of the character sheet.
#pragma once

#include "convert/common/text_writer.h"

// "const u16 BASE_SUFFIX[": the count and the rest of the line follow.
void write_declaration_head(TextWriter &text, const char *base_name, const char *suffix);

// Characters are numbered from 0 in the order they are written, so each header's number is the
// last one counted up in its decimal text, which is cheaper than formatting it anew.
struct CharacterNumber {
  long long value;
  std::size_t length;
  char digits[24]; // the decimal text, then bytes copied along with it and not counted
};
constexpr CharacterNumber FirstCharacterNumber = {0, 1, {'0'}};

inline void count_character(CharacterNumber &number) {
  ++number.value;
  std::size_t i = number.length;
  while (i > 0 && number.digits[i - 1] == '9')
    number.digits[--i] = '0';
  if (i > 0) {
    ++number.digits[i - 1];
    return;
  }
  std::memmove(number.digits + 1, number.digits, number.length++);
  number.digits[0] = '1';
}

// "// LABEL No.N (0xNNNN)", without a line end.
[[gnu::always_inline]] inline char *store_character_header(char *p, const CharacterNumber &number) {
  p = store_text(p, CharacterHeaderStart);
  std::memcpy(p, number.digits, sizeof number.digits); // a fixed copy: the rest is overwritten
  p = store_text(p + number.length, " (");
  p = store_hex(p, static_cast<unsigned long long>(number.value));
  return store_text(p, ")");
}

// Stores one character (a tile) as one piece: its header line, then its eight rows from the top
// down, row(0) giving the top row's RowValues values, every value followed by ", " and every row
// by a line end. The array's last character goes without those after its last value.
template <int RowValues, typename Row>
[[gnu::always_inline]] inline char *store_character(char *p, const CharacterNumber &number,
                                                    bool array_end, Row row) {
  p = store_character_header(p, number);
  p = store_text(p, "\n");
  for (int step = 0; step < 8; ++step) {
    p = store_hex_words<RowValues>(p, row(step));
    p = store_text(p, "\n");
  }
  return array_end ? p - 4 : p; // ", " and the line end
}

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
