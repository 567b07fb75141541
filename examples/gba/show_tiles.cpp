// Shows a converted character sheet through a converted screen map, coloured by a converted
// colour file, on a 32 x 32 text background. The screen shows 30 x 20 of its tiles, from the top
// left at the start; the D-pad scrolls over the rest.
//
// Built with SHEET_SOURCE, MAP_SOURCE and PALETTE_SOURCE (the generated files' paths, quoted)
// and SHEET_NAME, MAP_NAME and PALETTE_NAME (their base names).

// The generated files name their element type only in a comment; the program supplies it.
typedef unsigned short u16;
#include SHEET_SOURCE
#include MAP_SOURCE
#include PALETTE_SOURCE

#include "gba.h"

#define JOIN2(a, b) a##b
#define JOIN(a, b) JOIN2(a, b)
#define SHEET JOIN(SHEET_NAME, _sp)
#define MAP JOIN(MAP_NAME, _map)
#define PALETTE JOIN(PALETTE_NAME, _pal)

_Static_assert(sizeof SHEET == 1024 * 32, "the sheet is 1,024 4-bit tiles");
_Static_assert(sizeof MAP == 1024 * 2, "the map is 32 x 32 entries");
_Static_assert(sizeof PALETTE == 256 * 2, "the palette is 16 banks of 16 colours");

// The sheet fills character blocks 0 and 1 (32 KiB); the map goes in the last screen block.
enum { map_block = 31 };

// The background is 256 x 256 pixels; the screen 240 x 160.
enum { last_scroll_x = 256 - 240, last_scroll_y = 256 - 160 };

int main(void) {
  REG_DISPCNT = DISPCNT_FORCED_BLANK;

  copy_values(BG_PALETTE, PALETTE, 256);
  copy_values(VRAM, SHEET, 1024 * 16);
  copy_values(SCREEN_BLOCK(map_block), MAP, 1024);

  int x = 0, y = 0;
  REG_BG0HOFS = x;
  REG_BG0VOFS = y;
  REG_BG0CNT = BGCNT_CHAR_BASE(0) | BGCNT_SCREEN_BASE(map_block) | BGCNT_SIZE_256x256;
  REG_DISPCNT = DISPCNT_MODE0 | DISPCNT_BG0;

  // One pixel a frame while a direction is held, up to the background's edges.
  for (;;) {
    wait_for_vblank();
    u16 held = ~REG_KEYINPUT;
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
