// The palette entry text that the bitmap and palette converters share.
#include "convert/common/palette_text.h"

void write_palette_entry(TextWriter &text, int index, int count, unsigned red, unsigned green,
                         unsigned blue) {
  if (index % 4 == 0 && index != 0)
    write_text(text, "\n");
  if (index % 16 == 0) {
    write_text(text, "/*\t");
    write_text(text, PaletteLabel);
    write_text(text, " No.");
    write_decimal(text, index / 16);
    write_text(text, "\t*/\n");
  }
  write_text(text, "RGB(");
  write_component(text, red);
  write_text(text, ",");
  write_component(text, green);
  write_text(text, ",");
  write_component(text, blue);
  write_text(text, index == count - 1 ? ")" : "),");
}
