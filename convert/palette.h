// The palette converter: a colour file's 256 colours become a palette array.
#pragma once

#include <cstdint>

#include "convert/common/conversion.h"
#include "convert/common/text_writer.h"

constexpr int PaletteColourCount = 256;

// Writes the whole output for a colour file's 256 colours, its array named from base_name.
void write_palette_text(TextWriter &text, const char *base_name, const std::uint16_t *colours);

// Converts the colour file named by SourcePath into base.c.
ConversionOutcome convert_palette();
