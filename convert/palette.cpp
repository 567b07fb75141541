// The palette converter.
#include "convert/palette.h"

#include "convert/common/output.h"
#include "platform/platform.h"

namespace {

void write_palette_text(TextWriter &text, const char *base_name,
                        const std::uint16_t (&colours)[PaletteColourCount]) {
  write_text(text, ColourMacroLine);
  write_text(text, TypeCommentLine);
  write_text(text, "// Quorrel v1.00\tby zelmor\n\n");
  write_text(text, "const u16 ");
  write_text(text, base_name);
  write_text(text, "_pal[256]=\n{\n");
  for (int i = 0; i < PaletteColourCount; ++i) {
    if (i % 4 == 0 && i != 0)
      write_text(text, "\n");
    if (i % 16 == 0) {
      write_text(text, "/*\t");
      write_text(text, PaletteLabel);
      write_text(text, " No.");
      write_decimal(text, i / 16);
      write_text(text, "\t*/\n");
    }
    // Bit 15 is not part of a GBA colour and is dropped.
    write_text(text, "RGB(");
    write_component(text, colours[i] & 0x1F);
    write_text(text, ",");
    write_component(text, (colours[i] >> 5) & 0x1F);
    write_text(text, ",");
    write_component(text, (colours[i] >> 10) & 0x1F);
    write_text(text, i == PaletteColourCount - 1 ? ")" : "),");
  }
  write_text(text, "\n};\n\n");
}

} // namespace

bool read_colour_file(const char *path, std::uint16_t (&colours)[PaletteColourCount]) {
  SourceFile source;
  if (!open_source(path, SourceSharing::none, &source))
    return false;
  unsigned char bytes[2 * PaletteColourCount] = {};
  long long count = read_source(source, 0, bytes, sizeof bytes);
  close_source(source);
  if (count < 0)
    return false;
  // Bytes past the end of a short file stay 0, so its missing colours are black.
  for (int i = 0; i < PaletteColourCount; ++i)
    colours[i] = static_cast<std::uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return true;
}

ConversionResult convert_palette() {
  std::uint16_t colours[PaletteColourCount];
  if (!read_colour_file(SourcePath, colours))
    return ResultReadFailed;
  // The source is closed before the output exists.
  OutputFile output;
  if (!prepare_output(output))
    return ResultReadFailed;
  write_palette_text(output.text, SourcePath, colours);
  return finish_output(output);
}
