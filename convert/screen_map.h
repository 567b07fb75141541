// The screen map converter: a screen file becomes a 32 x 32 map array.
#pragma once

#include <cstdint>

#include "convert/common/conversion.h"
#include "convert/common/text_writer.h"

constexpr int ScreenEntryCount = 1024; // 32 rows of 32 entries

// Writes the whole output for a screen file's 1,024 entries, its array named from base_name.
void write_screen_map_text(TextWriter &text, const char *base_name, const std::uint16_t *entries);

// Converts the screen file named by SourcePath into base.c.
ConversionOutcome convert_screen_map();
