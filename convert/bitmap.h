// The bitmap converter: a 4- or 8-bit BMP becomes a palette array and 8 x 8 tiles.
#pragma once

#include "convert/common/conversion.h"

// Converts the bitmap named by SourcePath into base.c.
ConversionOutcome convert_bitmap();
