// The character converter: the two halves of a planar character file become the left and right
// halves of one 32 x 32 sheet of GBA 4-bit tiles, written one character run at a time.
#include "convert/characters.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "convert/common/output.h"
#include "convert/common/text_pieces.h"
#include "platform/platform.h"

namespace {

// One character run (16 characters) as 4-bit tile data: 16 values for each character.
constexpr int CharacterBlockValues = 256;

constexpr int CharacterBytes = 32;            // 8 rows of 4 planes
constexpr int RunBytes = 16 * CharacterBytes; // one character row of a half of the file
constexpr int RunCount = 64;                  // 32 character rows of the sheet, two runs each
constexpr int LastCharacterNumber = 1023;

// Run k is the sixteen characters of sheet tiles 16k to 16k + 15, which lie one after another in
// the file: left run 0, right run 0, left run 1, right run 1, ...
std::uint64_t run_offset(int run) {
  return std::uint64_t{character_at_sheet_tile(static_cast<unsigned>(HalfColumns * run))} *
         CharacterBytes;
}

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

// A row's eight pixels from its four plane bytes, pixel x in nibble x: pixels 0-3 are the row's
// first value, pixels 4-7 its second.
std::uint32_t row_pixels(unsigned p0, unsigned p1, unsigned p2, unsigned p3) {
  return spread_planes.nibbles[p0] | spread_planes.nibbles[p1] << 1 |
         spread_planes.nibbles[p2] << 2 | spread_planes.nibbles[p3] << 3;
}

// Converts a run's 16 characters, each row by row, into the block's 256 values.
void convert_run(const unsigned char (&run)[RunBytes],
                 std::uint16_t (&block)[CharacterBlockValues]) {
  for (int character = 0; character < 16; ++character) {
    const unsigned char *bytes = run + character * CharacterBytes;
    for (int row = 0; row < 8; ++row) {
      // Planes 0 and 1 of the eight rows come first, planes 2 and 3 16 bytes later.
      std::uint32_t pixels =
          row_pixels(bytes[2 * row], bytes[2 * row + 1], bytes[16 + 2 * row], bytes[17 + 2 * row]);
      block[16 * character + 2 * row] = static_cast<std::uint16_t>(pixels & 0xFFFF);
      block[16 * character + 2 * row + 1] = static_cast<std::uint16_t>(pixels >> 16);
    }
  }
}

void write_prologue(TextWriter &text, const char *base_name) {
  write_text(text, TypeCommentLine);
  write_text(text, "// Brundival v1.00\tby zelmor\n\n");
  write_text(text, "/* 256 x 256 pixels */\n");
  write_declaration_head(text, base_name, "_sp");
  write_text(text, "16384] =\n{\n");
}

// Writes the text of one block's 16 characters, numbered on from number.
void write_character_block(TextWriter &text, int &number,
                           const std::uint16_t (&block)[CharacterBlockValues]) {
  for (int c = 0; c < 16; ++c, ++number) {
    unsigned char rows[32]; // the character's 16 values, little-endian
    for (int i = 0; i < 16; ++i) {
      rows[2 * i] = static_cast<unsigned char>(block[16 * c + i] & 0xFF);
      rows[2 * i + 1] = static_cast<unsigned char>(block[16 * c + i] >> 8);
    }
    write_character(text, number, rows, 4, 2, number == LastCharacterNumber);
  }
}

} // namespace

void write_characters_text(TextWriter &text, const char *base_name, const unsigned char *bytes,
                           std::size_t size) {
  write_prologue(text, base_name);
  unsigned char run[RunBytes];
  std::uint16_t block[CharacterBlockValues];
  int number = 0;
  for (int k = 0; k < RunCount; ++k) {
    // Bytes a short file does not hold are 0, so no value is ever made from bytes that were not
    // read.
    std::uint64_t offset = run_offset(k);
    std::size_t held =
        offset >= size ? 0
                       : static_cast<std::size_t>(std::min<std::uint64_t>(RunBytes, size - offset));
    if (held > 0)
      std::memcpy(run, bytes + offset, held);
    std::memset(run + held, 0, RunBytes - held);
    convert_run(run, block);
    write_character_block(text, number, block);
  }
  write_text(text, "\n};\n");
}

ConversionOutcome convert_characters() {
  // Others may read the source while it is read, nobody may change it under us. The source is
  // closed before the output exists.
  static unsigned char bytes[CharacterFileBytes];
  SourceFile source;
  if (!open_source(SourcePath, SourceSharing::read, &source))
    return failed_in_system(ResultReadFailed, "cannot open");
  long long held = read_source(source, 0, bytes, sizeof bytes);
  if (held < 0) {
    ConversionOutcome unread = failed_in_system(ResultReadFailed, "cannot read");
    close_source(source);
    return unread;
  }
  close_source(source);
  OutputFile output;
  ConversionOutcome prepared = prepare_output(output);
  if (prepared.result != ResultSuccess)
    return prepared;
  write_characters_text(output.text, SourcePath, bytes, static_cast<std::size_t>(held));
  return finish_output(output);
}
