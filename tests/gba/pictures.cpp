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

// Run-length compressed pixels from byte at on, rows bottom-up: a count and a colour (two
// alternating nibbles at 4 bits), or 0 and an escape: 0 end of line, 1 end of bitmap, 2 a move
// right and up, 3 or more that many pixels as they are, padded to 16 bits. Pixels outside the
// picture are dropped.
void decode_rle(const Bytes &bmp, std::size_t at, unsigned bits,
                std::vector<std::vector<unsigned>> &index) {
  std::size_t x = 0, y = 0, height = index.size(), width = index[0].size();
  auto put = [&](unsigned value) {
    if (y < height && x < width)
      index[height - 1 - y][x] = value;
    ++x;
  };
  while (at + 1 < bmp.size()) {
    unsigned count = bmp[at], code = bmp[at + 1];
    at += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count; ++i)
        put(bits == 8 ? code : i % 2 == 0 ? code >> 4 : code & 15);
    } else if (code == 0) {
      x = 0;
      ++y;
    } else if (code == 1) {
      return;
    } else if (code == 2) {
      x += byte_at(bmp, at);
      y += byte_at(bmp, at + 1);
      at += 2;
    } else {
      for (unsigned i = 0; i < code; ++i)
        put(bits == 8 ? byte_at(bmp, at + i)
                      : byte_at(bmp, at + i / 2) >> (i % 2 == 0 ? 4 : 0) & 15);
      std::size_t bytes = bits == 8 ? code : (code + 1) / 2;
      at += bytes + bytes % 2;
    }
  }
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
  // The OS/2 1.x core header (12 bytes) has 16-bit sizes and 3-byte table entries; every other
  // kind lays out its first fields as the 40-byte header, and may end before some of them.
  std::uint32_t header_size = u32_at(bmp, 14);
  bool core = header_size == 12;
  auto field = [&](std::size_t offset) {
    return offset + 4 <= 14 + header_size ? u32_at(bmp, offset) : 0;
  };
  std::int32_t width = core ? u16_at(bmp, 18) : static_cast<std::int32_t>(u32_at(bmp, 18));
  std::int32_t height = core ? u16_at(bmp, 20) : static_cast<std::int32_t>(u32_at(bmp, 22));
  unsigned bits = u16_at(bmp, core ? 24 : 28);
  std::uint32_t compression = core ? 0 : field(30);
  bool top_down = height < 0;
  if (top_down)
    height = -height;
  bool rle = (compression == 1 && bits == 8) || (compression == 2 && bits == 4);
  if ((bits != 4 && bits != 8) || (compression != 0 && !rle) || width <= 0 ||
      width > screen_width || height > screen_height) {
    why = "not a 4- or 8-bit bitmap, uncompressed or RLE, of at most 240 x 160 pixels";
    return {};
  }

  // A colours-used field shortens the table; the colours past it are black.
  std::uint32_t entries = 1u << bits, used = core ? 0 : field(46);
  std::uint32_t stored = used != 0 && used < entries ? used : entries;
  std::size_t entry_size = core ? 3 : 4;
  std::vector<std::uint16_t> palette(entries, 0);
  for (std::uint32_t i = 0; i < stored; ++i)
    palette[i] = table_colour(bmp, 14 + header_size + entry_size * i);

  // The pixels, from the file header's offset, as colour indices [y][x] from the top left.
  std::size_t pixels = u32_at(bmp, 10);
  std::vector<std::vector<unsigned>> index(height, std::vector<unsigned>(width, 0));
  if (rle) {
    decode_rle(bmp, pixels, bits, index);
  } else {
    std::size_t stride = (width * bits + 31) / 32 * 4;
    for (int y = 0; y < height; ++y) {
      std::size_t row = pixels + stride * (top_down ? y : height - 1 - y);
      for (int x = 0; x < width; ++x)
        index[y][x] = bits == 8 ? byte_at(bmp, row + x)
                                : (byte_at(bmp, row + x / 2) >> (x % 2 == 0 ? 4 : 0)) & 15;
    }
  }
  Frame frame(screen_width * screen_height, shown_colour(palette[0]));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      frame[y * screen_width + x] = shown_colour(palette[index[y][x]]);
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
