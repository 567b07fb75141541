// The palette converter.
#include "convert/palette.h"

#include <cstdint>

#include "convert/common/source_words.h"
#include "convert/common/text_pieces.h"

void write_palette_text(TextWriter &text, const char *base_name, const std::uint16_t *colours) {
  write_text(text, ColourMacroLine);
  write_text(text, TypeCommentLine);
  write_text(text, "// Quorrel v1.00\tby zelmor\n\n");
  write_declaration_head(text, base_name, "_pal", PaletteColourCount);
  write_text(text, "]=\n{\n");
  // Bit 15 is not part of a GBA colour and is dropped.
  for (int i = 0; i < PaletteColourCount; ++i)
    write_palette_entry(text, i, PaletteColourCount, colours[i] & 0x1F, (colours[i] >> 5) & 0x1F,
                        (colours[i] >> 10) & 0x1F);
  write_text(text, "\n};\n\n");
}

ConversionOutcome convert_palette() {
  return convert_source_words(PaletteColourCount, write_palette_text);
}
