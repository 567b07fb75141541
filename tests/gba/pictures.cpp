// Decodes bitmaps and character/screen/colour trios into the frames a GBA shows for them.
#include "pictures.h"

#include <algorithm>

namespace {

unsigned byte_at(const Bytes &bytes, std::size_t offset) {
  return offset < bytes.size() ? bytes[offset] : 0;
}

unsigned u16_at(const Bytes &bytes, std::size_t offset) {
  return byte_at(bytes, offset) | byte_at(bytes, offset + 1) << 8;
}

std::uint32_t u32_at(const Bytes &bytes, std::size_t offset) {
  return u16_at(bytes, offset) | static_cast<std::uint32_t>(u16_at(bytes, offset + 2)) << 16;
}

// A colour-table entry (blue, green, red, reserved) as a 15-bit GBA colour.
std::uint16_t table_colour(const Bytes &bmp, std::size_t offset) {
  unsigned blue = byte_at(bmp, offset) >> 3, green = byte_at(bmp, offset + 1) >> 3,
           red = byte_at(bmp, offset + 2) >> 3;
  return static_cast<std::uint16_t>(red | green << 5 | blue << 10);
}

// Colour index of pixel (x, y) of a planar 4-bit character: plane bytes 2y, 2y + 1, 16 + 2y and
// 17 + 2y, bit 7 - x of each.
unsigned character_pixel(const Bytes &cgx, unsigned character, unsigned x, unsigned y) {
  std::size_t row = 32 * character + 2 * y;
  unsigned bit = 7 - x;
  return ((byte_at(cgx, row) >> bit) & 1) | ((byte_at(cgx, row + 1) >> bit) & 1) << 1 |
         ((byte_at(cgx, row + 16) >> bit) & 1) << 2 | ((byte_at(cgx, row + 17) >> bit) & 1) << 3;
}

} // namespace

std::uint32_t shown_colour(std::uint16_t gba_colour) {
  auto component = [&](int shift) -> std::uint32_t {
    std::uint32_t c = (gba_colour >> shift) & 31;
    return (c << 3) | (c >> 2);
  };
  return component(0) | component(5) << 8 | component(10) << 16;
}

Frame expected_bitmap_frame(const Bytes &bmp, std::string &why) {
  std::uint32_t header_size = u32_at(bmp, 14), compression = u32_at(bmp, 30);
  std::int32_t width = static_cast<std::int32_t>(u32_at(bmp, 18));
  std::int32_t height = static_cast<std::int32_t>(u32_at(bmp, 22));
  unsigned bits = u16_at(bmp, 28);
  bool top_down = height < 0;
  if (top_down)
    height = -height;
  if (bmp.size() < 54 || (bits != 4 && bits != 8) || compression != 0 || width <= 0 ||
      width > screen_width || height > screen_height) {
    why = "not an uncompressed 4- or 8-bit bitmap of at most 240 x 160 pixels";
    return {};
  }

  // A colours-used field shortens the table; the colours past it are black.
  std::uint32_t entries = 1u << bits, used = u32_at(bmp, 46);
  std::uint32_t stored = used != 0 && used < entries ? used : entries;
  std::vector<std::uint16_t> palette(entries, 0);
  for (std::uint32_t i = 0; i < stored; ++i)
    palette[i] = table_colour(bmp, 14 + header_size + 4 * i);

  Frame frame(screen_width * screen_height, shown_colour(palette[0]));
  std::size_t pixels = u32_at(bmp, 10), stride = (width * bits + 31) / 32 * 4;
  for (int y = 0; y < height; ++y) {
    std::size_t row = pixels + stride * (top_down ? y : height - 1 - y);
    for (int x = 0; x < width; ++x) {
      unsigned index = bits == 8 ? byte_at(bmp, row + x)
                                 : (byte_at(bmp, row + x / 2) >> (x % 2 == 0 ? 4 : 0)) & 15;
      frame[y * screen_width + x] = shown_colour(palette[index]);
    }
  }
  return frame;
}

Frame expected_tiles_frame(const Bytes &cgx, const Bytes &scr, const Bytes &col, int scroll_x,
                           int scroll_y) {
  Frame frame(screen_width * screen_height);
  for (int y = 0; y < screen_height; ++y)
    for (int x = 0; x < screen_width; ++x) {
      // The background is 256 x 256 pixels and wraps around.
      unsigned map_x = (x + scroll_x) % 256, map_y = (y + scroll_y) % 256;
      // Screen entry: character in bits 0-9, palette in 10-12, flips in 14 and 15.
      unsigned entry = u16_at(scr, 2 * (map_y / 8 * 32 + map_x / 8));
      unsigned character = entry & 0x3ff, palette = entry >> 10 & 7;
      unsigned column = map_x % 8, line = map_y % 8;
      if (entry & 0x4000)
        column = 7 - column;
      if (entry & 0x8000)
        line = 7 - line;
      unsigned index = character_pixel(cgx, character, column, line);
      // Colour 0 of every bank is transparent: the backdrop, colour 0 of the file, shows.
      unsigned colour = index == 0 ? 0 : 16 * palette + index;
      frame[y * screen_width + x] = shown_colour(u16_at(col, 2 * colour) & 0x7fff);
    }
  return frame;
}

Difference compare_frames(const Frame &expected, const Frame &shown) {
  Difference difference;
  std::size_t size = std::min(expected.size(), shown.size());
  for (std::size_t i = 0; i < size; ++i) {
    if (expected[i] == shown[i])
      continue;
    if (difference.count++ == 0) {
      difference.first_x = static_cast<int>(i % screen_width);
      difference.first_y = static_cast<int>(i / screen_width);
      difference.expected = expected[i];
      difference.shown = shown[i];
    }
  }
  if (expected.size() != shown.size())
    difference.count += screen_width * screen_height;
  return difference;
}
