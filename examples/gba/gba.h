// The few GBA registers and video memory areas the example programs use, and copying into them.
#ifndef MORVANE_EXAMPLE_GBA_H
#define MORVANE_EXAMPLE_GBA_H

typedef unsigned short u16;
typedef unsigned int u32;

#define REG_DISPCNT (*(volatile u16 *)0x04000000)
#define REG_BG0CNT (*(volatile u16 *)0x04000008)
#define REG_BG0HOFS (*(volatile u16 *)0x04000010)
#define REG_BG0VOFS (*(volatile u16 *)0x04000012)
#define REG_VCOUNT (*(volatile u16 *)0x04000006)
#define REG_KEYINPUT (*(volatile u16 *)0x04000130)

// Key bits of REG_KEYINPUT, which reads 0 for a key held down.
#define KEY_RIGHT 0x0010
#define KEY_LEFT 0x0020
#define KEY_UP 0x0040
#define KEY_DOWN 0x0080

#define DISPCNT_MODE0 0x0000
#define DISPCNT_FORCED_BLANK 0x0080
#define DISPCNT_BG0 0x0100

#define BGCNT_CHAR_BASE(block) ((block) << 2) // 16 KiB blocks of tile data
#define BGCNT_256_COLOURS 0x0080
#define BGCNT_SCREEN_BASE(block) ((block) << 8) // 2 KiB blocks of map entries
#define BGCNT_SIZE_256x256 0x0000

#define BG_PALETTE ((volatile u16 *)0x05000000)
#define VRAM ((volatile u16 *)0x06000000)
#define SCREEN_BLOCK(block) (VRAM + (block)*1024)

// Tiles, maps and palettes go into video memory a word at a time, as GBA programs copy them (a
// BIOS CpuFastSet or a 32-bit DMA does the same). The source must lie on a multiple of 4: a word
// read from any other address gives the wrong bytes.
typedef u32 __attribute__((may_alias)) u32_of_values; // reads the const u16 arrays as words
static inline void copy_words(volatile void *to, const void *from, u32 bytes) {
  volatile u32 *out = (volatile u32 *)to;
  const u32_of_values *in = (const u32_of_values *)from;
  for (u32 i = 0; i < bytes / 4; ++i)
    out[i] = in[i];
}

// Returns once the next vertical blank begins: the time to change scroll registers unseen.
static inline void wait_for_vblank(void) {
  while (REG_VCOUNT >= 160) {
  }
  while (REG_VCOUNT < 160) {
  }
}

// Video memory takes 16- and 32-bit writes only, so filling goes value by value.
static inline void fill_values(volatile u16 *to, u16 value, u32 count) {
  for (u32 i = 0; i < count; ++i)
    to[i] = value;
}

#endif
