// The pieces of generated text that more than one converter writes: the array declaration's
// head, a character's header line and a palette entry.
#pragma once

#include "convert/common/text_writer.h"

// "const u16 BASE_SUFFIX[": the count and the rest of the line follow.
void write_declaration_head(TextWriter &text, const char *base_name, const char *suffix);

// "// LABEL No.N (0xNNNN)", without a line end.
inline void write_character_header(TextWriter &text, long long number) {
  write_text(text, "// ");
  write_text(text, CharacterLabel);
  write_text(text, " No.");
  write_decimal(text, number);
  write_text(text, " (");
  write_hex(text, static_cast<unsigned long long>(number));
  write_text(text, ")");
}

// Writes entry index of count as "RGB(r,g,b)" from 5-bit components, in its place in the array:
// four to a line, a numbered group comment before every sixteenth, a comma after all but the
// last.
void write_palette_entry(TextWriter &text, int index, int count, unsigned red, unsigned green,
                         unsigned blue);
