// The screen map converter.
#include "convert/screen_map.h"

#include <cstdint>

#include "convert/common/sheet.h"
#include "convert/common/source_words.h"
#include "convert/common/text_pieces.h"

namespace {

// Rewrites one screen file entry into a GBA text-background map entry whose tile number is the
// place of the same character on the sheet the character converter writes.
std::uint16_t map_entry_from_screen_entry(std::uint16_t screen_entry) {
  unsigned s = screen_entry;
  // The character (bits 0-9) becomes its sheet tile. The palette (bits 10-12) and the flips
  // (bits 14 and 15) move to their GBA places; bit 13 has no GBA counterpart and is dropped, so
  // bit 15 of the result is always 0.
  unsigned tile = sheet_tile_of_character(s & 0x03FF);
  unsigned flips = (s >> 4) & 0x0C00;
  unsigned palette = (s << 2) & 0x7000;
  return static_cast<std::uint16_t>(tile | flips | palette);
}

} // namespace

void write_screen_map_text(TextWriter &text, const char *base_name, const std::uint16_t *entries) {
  write_text(text, TypeCommentLine);
  write_text(text, "// Ostrelin v1.01\tby zelmor\n\n");
  write_text(text, "/* used 32 x 32 Tile data */\n");
  write_declaration_head(text, base_name, "_map", ScreenEntryCount);
  write_text(text, "]=\n{\n");
  for (int i = 0; i < ScreenEntryCount; ++i) {
    write_entry_break(text, i, {32, "/* ", RowLabel, " No. ", " */\n"});
    // Every entry is followed by a comma but the last, which ends its line.
    write_hex(text, map_entry_from_screen_entry(entries[i]));
    write_text(text, i == ScreenEntryCount - 1 ? "\n" : ",");
  }
  write_text(text, "};\n");
}

ConversionOutcome convert_screen_map() {
  return convert_source_words(ScreenEntryCount, write_screen_map_text);
}
