// The pieces of generated text that more than one converter writes.
#include "convert/common/text_pieces.h"

void write_declaration_head(TextWriter &text, const char *base_name, const char *suffix) {
  write_text(text, "const u16 ");
  write_text(text, base_name);
  write_text(text, suffix);
  write_text(text, "[");
}

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
