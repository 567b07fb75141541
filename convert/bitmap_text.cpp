// Formatting a read bitmap: the prologue, the palette array, and the tile walk that cuts the
// pixel rows into 8 x 8 tiles.
#include "convert/bitmap_text.h"

#include <cstdint>
#include <cstring>

#include "convert/common/text_pieces.h"

namespace {

void write_palette(TextWriter &text, const char *base_name, const BitmapPicture &picture) {
  int entry_count = 1 << picture.bits;
  // The colours-used field is printed with "%d", so a value past 2^31 reads as negative.
  std::int32_t used = static_cast<std::int32_t>(picture.colours_used);
  write_text(text, "/* used ");
  write_decimal(text, used != 0 ? used : entry_count);
  write_text(text, " color for ");
  write_decimal(text, picture.bits);
  write_text(text, "bit color */\n");
  write_declaration_head(text, base_name, "_pal", entry_count);
  write_text(text, "] =\n{\n");
  for (int i = 0; i < entry_count; ++i) {
    // Entries from the colours-used field on are black whatever the table holds.
    bool black = picture.colours_used != 0 && static_cast<std::uint32_t>(i) >= picture.colours_used;
    const unsigned char *entry = picture.colour_table + 4 * i;
    write_palette_entry(text, i, entry_count, black ? 0 : entry[2] >> 3, black ? 0 : entry[1] >> 3,
                        black ? 0 : entry[0] >> 3);
  }
  write_text(text, "\n};\n\n");
}

// A 4-bit tile's rows as their values' bytes: four pixels a value, the leftmost in bits 0-3, so
// each byte's nibbles trade places.
void trade_nibbles(const unsigned char *top, std::ptrdiff_t row_step, unsigned char (&rows)[8][4]) {
  for (int step = 0; step < 8; ++step) {
    std::uint32_t bytes;
    std::memcpy(&bytes, top - step * row_step, 4);
    bytes = (bytes & 0x0F0F0F0F) << 4 | (bytes >> 4 & 0x0F0F0F0F);
    std::memcpy(rows[step], &bytes, 4);
  }
}

// Bands of eight rows from the top of the picture down, tiles left to right in each.
template <unsigned Bits> void write_tiles(TextWriter &text, const BitmapPicture &picture) {
  constexpr std::size_t TileRowBytes = Bits; // eight pixels
  std::size_t row_bytes = picture.row_bytes;
  if (row_bytes == 0)
    return;
  long long tile = 0;
  for (std::size_t band_top = picture.row_count; band_top >= 8; band_top -= 8) {
    const unsigned char *top =
        picture.bottom_row + static_cast<std::ptrdiff_t>(band_top - 1) * picture.row_step;
    for (std::size_t left = 0; left < row_bytes; left += TileRowBytes) {
      const unsigned char *tile_top = top + left;
      bool array_end = band_top == 8 && left + TileRowBytes == row_bytes;
      // At 8 bits the rows are the values' bytes as they stand: two pixels a value, the left one
      // in the low byte.
      if constexpr (Bits == 8) {
        write_character(text, tile++, tile_top, -picture.row_step, 4, array_end);
      } else {
        unsigned char rows[8][4];
        trade_nibbles(tile_top, picture.row_step, rows);
        write_character(text, tile++, rows[0], 4, 2, array_end);
      }
    }
  }
}

} // namespace

void write_bitmap_text(TextWriter &text, const char *base_name, const BitmapPicture &picture) {
  write_text(text, ColourMacroLine);
  write_text(text, TypeCommentLine);
  write_text(text, "// Halvetrin v1.11\tby zelmor\n\n");
  write_palette(text, base_name, picture);
  write_text(text, "/* ");
  write_decimal(text, picture.width);
  write_text(text, " x ");
  write_decimal(text, picture.height);
  write_text(text, " pixels */\n");
  // The element count of the positive size, also for a top-down bitmap.
  write_declaration_head(text, base_name, "_sp",
                         static_cast<long long>(picture.row_bytes * picture.row_count / 2));
  write_text(text, "]=\n{\n");
  if (picture.bits == 8)
    write_tiles<8>(text, picture);
  else
    write_tiles<4>(text, picture);
  write_text(text, "\n};\n");
}
