// The palette converter: a colour file's 256 colours become a palette array.
#pragma once

#include <cstdint>

#include "app/dispatch.h"

constexpr int PaletteColourCount = 256;

// Reads the first 512 bytes of the colour file at path; colours the file does not reach are 0.
// False when the file cannot be opened or read.
bool read_colour_file(const char *path, std::uint16_t (&colours)[PaletteColourCount]);

// Converts the colour file named by SourcePath into base.c.
ConversionResult convert_palette();
