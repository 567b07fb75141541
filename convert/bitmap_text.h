// The text of a converted bitmap: its palette array and its tile array.
#pragma once

#include "convert/bitmap_picture.h"
#include "convert/common/text_writer.h"

// Writes the whole output for picture, its arrays named from base_name.
void write_bitmap_text(TextWriter &text, const char *base_name, const BitmapPicture &picture);
