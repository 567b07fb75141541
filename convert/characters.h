// The character converter: a character file becomes the 4-bit tiles of a 256 x 256 sheet.
#pragma once

#include "convert/common/conversion.h"

// Converts the character file named by SourcePath into base.c.
ConversionResult convert_characters();
