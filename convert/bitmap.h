// The bitmap converter: a 4- or 8-bit BMP becomes a palette array and 8 x 8 tiles.
#pragma once

#include "app/dispatch.h"

ConversionResult convert_bitmap();
