// The palette entry text that the bitmap and palette converters share.
#pragma once

#include "convert/common/text_writer.h"

// Writes entry index of count as "RGB(r,g,b)" from 5-bit components, in its place in the array:
// four to a line, a numbered group comment before every sixteenth, a comma after all but the
// last.
void write_palette_entry(TextWriter &text, int index, int count, unsigned red, unsigned green,
                         unsigned blue);
