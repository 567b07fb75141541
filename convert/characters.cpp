// The character converter: the two halves of a planar character file become the left and right
// halves of one 32 x 32 sheet of GBA 4-bit tiles, written tile by tile.
#include "convert/characters.h"

#include <cstdint>

#include "convert/common/output.h"
#include "convert/common/sheet.h"
#include "convert/common/source_words.h"
#include "convert/common/text_pieces.h"
#include "platform/platform.h"

namespace {

constexpr int CharacterBytes = 32; // 8 rows of 4 planes
constexpr int SheetTiles = 1024;
constexpr int SheetValues = 16 * SheetTiles; // 16 values a 4-bit tile
constexpr int LastCharacterNumber = 1023;

// For each plane byte, its eight bits spread out to bit 0 of eight nibbles: bit 7, the leftmost
// pixel, to nibble 0, bit 0 to nibble 7.
struct SpreadPlanes {
  std::uint32_t nibbles[256];
  constexpr SpreadPlanes() : nibbles() {
    for (unsigned byte = 0; byte < 256; ++byte)
      for (unsigned x = 0; x < 8; ++x)
        nibbles[byte] |= ((byte >> (7 - x)) & 1u) << (4 * x);
  }
};
constexpr SpreadPlanes spread_planes;

// The eight pixels of a character's row (0 to 7) from its four plane bytes, pixel x in nibble x:
// pixels 0-3 are the row's first value, pixels 4-7 its second. Planes 0 and 1 of the eight rows
// come first in the character, planes 2 and 3 16 bytes later.
std::uint32_t row_pixels(const unsigned char *character, int row) {
  const std::uint32_t *spread = spread_planes.nibbles;
  return spread[character[2 * row]] | spread[character[2 * row + 1]] << 1 |
         spread[character[16 + 2 * row]] << 2 | spread[character[17 + 2 * row]] << 3;
}

void write_prologue(TextWriter &text, const char *base_name) {
  write_text(text, TypeCommentLine);
  write_text(text, "// Brundival v1.00\tby zelmor\n\n");
  write_text(text, "/* 256 x 256 pixels */\n");
  write_declaration_head(text, base_name, "_sp", SheetValues);
  write_text(text, "] =\n{\n");
}

} // namespace

void write_characters_text(TextWriter &text, const char *base_name,
                           const unsigned char (&file)[CharacterFileBytes]) {
  write_prologue(text, base_name);
  for (int tile = 0; tile < SheetTiles; ++tile) {
    const unsigned char *character =
        file + CharacterBytes * character_at_sheet_tile(static_cast<unsigned>(tile));
    unsigned char rows[8][4]; // the character's rows as its values' bytes, little-endian
    for (int row = 0; row < 8; ++row) {
      std::uint32_t pixels = row_pixels(character, row);
      for (int i = 0; i < 4; ++i)
        rows[row][i] = static_cast<unsigned char>(pixels >> 8 * i);
    }
    write_character(text, tile, rows[0], 4, 2, tile == LastCharacterNumber);
  }
  write_text(text, "\n};\n");
}

ConversionOutcome convert_characters() {
  // Others may read the source while it is read, nobody may change it under us.
  static unsigned char bytes[CharacterFileBytes];
  FileIdentity identity;
  ConversionOutcome read =
      read_source_start(SourcePath, SourceSharing::read, bytes, sizeof bytes, &identity);
  if (read.result != ResultSuccess)
    return read;
  return write_output(identity, [](TextWriter &text) {
    write_characters_text(text, SourcePath, bytes);
    return succeeded();
  });
}
