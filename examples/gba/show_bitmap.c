// Shows one converted bitmap on a regular background: its palette, and its tiles with tile n at
// row n / (width / 8), column n mod (width / 8), from the screen's top left corner.
//
// Built with BITMAP_HEADER (the header of the converted bitmap, quoted), BITMAP_NAME (its base
// name) and BITMAP_WIDTH (the picture's width in pixels, which the generated size comment gives).
#include "gba.h"

#include BITMAP_HEADER

#define JOIN2(a, b) a##b
#define JOIN(a, b) JOIN2(a, b)
#define PALETTE JOIN(BITMAP_NAME, _pal)
#define TILES JOIN(BITMAP_NAME, _sp)

#define COLOURS (sizeof PALETTE / sizeof PALETTE[0]) // 16 for 4-bit, 256 for 8-bit
#define VALUES_PER_TILE (COLOURS == 16 ? 16 : 32)    // 8 rows of 2 or 4 values
#define TILE_COUNT (sizeof TILES / sizeof TILES[0] / VALUES_PER_TILE)
#define COLUMNS (BITMAP_WIDTH / 8)
#define ROWS (TILE_COUNT / COLUMNS)

_Static_assert(COLOURS == 16 || COLOURS == 256, "a bitmap palette has 16 or 256 colours");
_Static_assert(BITMAP_WIDTH % 8 == 0 && COLUMNS * ROWS == TILE_COUNT, "BITMAP_WIDTH is wrong");
_Static_assert(COLUMNS <= 30 && ROWS <= 20, "this example shows pictures up to 240 x 160 pixels");

// The map goes in the last screen block, well above the tiles: 600 8-bit tiles end at 38,400.
enum { map_block = 31 };

int main(void) {
  REG_DISPCNT = DISPCNT_FORCED_BLANK;

  copy_words(BG_PALETTE, PALETTE, sizeof PALETTE);
  copy_words(VRAM, TILES, sizeof TILES);

  // One tile more, all colour 0, covers the map outside the picture: there the backdrop shows.
  const u16 blank = TILE_COUNT;
  fill_values(VRAM + blank * VALUES_PER_TILE, 0, VALUES_PER_TILE);

  volatile u16 *map = SCREEN_BLOCK(map_block);
  for (u32 row = 0; row < 32; ++row)
    for (u32 column = 0; column < 32; ++column)
      map[row * 32 + column] = row < ROWS && column < COLUMNS ? row * COLUMNS + column : blank;

  REG_BG0HOFS = 0;
  REG_BG0VOFS = 0;
  REG_BG0CNT = BGCNT_CHAR_BASE(0) | BGCNT_SCREEN_BASE(map_block) | BGCNT_SIZE_256x256 |
               (COLOURS == 256 ? BGCNT_256_COLOURS : 0);
  REG_DISPCNT = DISPCNT_MODE0 | DISPCNT_BG0;

  for (;;) {
  }
}
