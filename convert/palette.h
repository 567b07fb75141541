// The palette converter: a colour file's 256 colours become a palette array.
#pragma once

#include "convert/common/conversion.h"

// Converts the colour file named by SourcePath into base.c.
ConversionResult convert_palette();
