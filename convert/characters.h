// The character converter: a character file becomes the 4-bit tiles of a 256 x 256 sheet.
#pragma once

#include <cstddef>

#include "convert/common/conversion.h"
#include "convert/common/text_writer.h"

// A character file: 1,024 characters of 32 bytes. Only these bytes count.
constexpr std::size_t CharacterFileBytes = 32768;

// Writes the whole output for a character file, its array named from base_name: the file's
// first CharacterFileBytes bytes, those a short file does not hold being 0.
void write_characters_text(TextWriter &text, const char *base_name,
                           const unsigned char (&file)[CharacterFileBytes]);

// Converts the character file named by SourcePath into base.c.
ConversionOutcome convert_characters();
