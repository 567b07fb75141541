// The character converter: a character file becomes the 4-bit tiles of a 256 x 256 sheet.
#pragma once

#include <cstddef>

#include "convert/common/conversion.h"
#include "convert/common/text_writer.h"

// A character file: 1,024 characters of 32 bytes. Only these bytes count.
constexpr std::size_t CharacterFileBytes = 32768;

// Writes the whole output for the first size bytes of a character file, its array named from
// base_name; bytes a short file does not hold count as 0.
void write_characters_text(TextWriter &text, const char *base_name, const unsigned char *bytes,
                           std::size_t size);

// Converts the character file named by SourcePath into base.c.
ConversionOutcome convert_characters();
