// The character converter: a character file becomes the 4-bit tiles of a 256 x 256 sheet.
#pragma once

#include "app/dispatch.h"

ConversionResult convert_characters();
