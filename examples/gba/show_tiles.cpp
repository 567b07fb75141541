// Shows a converted character sheet through a converted screen map, coloured by a converted
// colour file, on a 32 x 32 text background. The screen shows 30 x 20 of its tiles, from the top
// left at the start; the D-pad scrolls over the rest.
//
// C++, freestanding: built with SHEET_HEADER, MAP_HEADER and PALETTE_HEADER (the headers of the
// converted files, quoted) and SHEET_NAME, MAP_NAME and PALETTE_NAME (their base names).
#include "gba.h"

#include SHEET_HEADER
#include MAP_HEADER
#include PALETTE_HEADER

#define JOIN2(a, b) a##b
#define JOIN(a, b) JOIN2(a, b)
#define SHEET JOIN(SHEET_NAME, _sp)
#define MAP JOIN(MAP_NAME, _map)
#define PALETTE JOIN(PALETTE_NAME, _pal)

static_assert(sizeof SHEET == 1024 * 32, "the sheet is 1,024 4-bit tiles");
static_assert(sizeof MAP == 1024 * 2, "the map is 32 x 32 entries");
static_assert(sizeof PALETTE == 256 * 2, "the palette is 16 banks of 16 colours");

// The sheet fills character blocks 0 and 1 (32 KiB); the map goes in the last screen block.
enum { map_block = 31 };

// The background is 256 x 256 pixels; the screen 240 x 160.
enum { last_scroll_x = 256 - 240, last_scroll_y = 256 - 160 };

int main(void) {
  REG_DISPCNT = DISPCNT_FORCED_BLANK;

  copy_words(BG_PALETTE, PALETTE, sizeof PALETTE);
  copy_words(VRAM, SHEET, sizeof SHEET);
  copy_words(SCREEN_BLOCK(map_block), MAP, sizeof MAP);

  int x = 0, y = 0;
  REG_BG0HOFS = x;
  REG_BG0VOFS = y;
  REG_BG0CNT = BGCNT_CHAR_BASE(0) | BGCNT_SCREEN_BASE(map_block) | BGCNT_SIZE_256x256;
  REG_DISPCNT = DISPCNT_MODE0 | DISPCNT_BG0;

  // One pixel a frame while a direction is held, up to the background's edges.
  for (;;) {
    wait_for_vblank();
    u16 held = static_cast<u16>(~REG_KEYINPUT);
    if ((held & KEY_RIGHT) && x < last_scroll_x)
      ++x;
    if ((held & KEY_LEFT) && x > 0)
      --x;
    if ((held & KEY_DOWN) && y < last_scroll_y)
      ++y;
    if ((held & KEY_UP) && y > 0)
      --y;
    REG_BG0HOFS = x;
    REG_BG0VOFS = y;
  }
}
