// The character converter: a character file becomes the 4-bit tiles of a 256 x 256 sheet.
#pragma once

#include <cstdint>

#include "convert/common/conversion.h"
#include "convert/common/text_writer.h"

// One character run (16 characters) as 4-bit tile data: 16 values for each character.
constexpr int CharacterBlockValues = 256;

// Writes the text of one block's 16 characters, numbered from first_number: a header line for
// each, then its eight rows of two values.
void write_character_block(TextWriter &text, int first_number,
                           const std::uint16_t (&block)[CharacterBlockValues]);

// Converts the character file named by SourcePath into base.c.
ConversionResult convert_characters();
