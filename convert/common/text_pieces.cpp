// The pieces of generated text that more than one converter writes.
#include "convert/common/text_pieces.h"

void write_declaration_head(TextWriter &text, const char *base_name, const char *suffix,
                            long long count) {
  start_array(text, base_name, suffix, count);
  write_text(text, "const u16 ");
  write_text(text, base_name);
  write_text(text, suffix);
  write_text(text, "[");
  write_decimal(text, count);
}

void write_entry_break(TextWriter &text, int index, const EntryGroups &groups) {
  if (index % 4 == 0 && index != 0)
    write_text(text, "\n");
  if (index % groups.size == 0) {
    write_text(text, groups.open);
    write_text(text, groups.label);
    write_text(text, groups.numbered);
    write_decimal(text, index / groups.size);
    write_text(text, groups.close);
  }
}

void write_palette_entry(TextWriter &text, int index, int count, unsigned red, unsigned green,
                         unsigned blue) {
  write_entry_break(text, index, {16, "/*\t", PaletteLabel, " No.", "\t*/\n"});
  write_colour(text, red, green, blue);
  if (index != count - 1)
    write_text(text, ",");
}
