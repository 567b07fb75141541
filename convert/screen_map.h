// The screen map converter: a screen file becomes a 32 x 32 map array.
#pragma once

#include "convert/common/conversion.h"

// Converts the screen file named by SourcePath into base.c.
ConversionResult convert_screen_map();
