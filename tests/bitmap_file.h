// The bytes of a bitmap file from its header fields, colour table and pixel data, and compressed
// pixel data: the one builder of the suite, the benchmark, the GBA test and the Windows test
// driver.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

struct BitmapFields {
  std::int32_t width = 8;
  std::int32_t height = 8; // negative: rows stored top-down
  std::uint16_t bits = 4;
  std::uint32_t header_size = 40;
  std::uint32_t compression = 0;
  std::uint32_t image_size = 0;
  std::uint32_t pixels_per_metre = 0; // both ways
  std::uint32_t colours_used = 0;
  std::int64_t pixel_offset = -1; // -1: where the pixel data really starts
  Bytes table;                    // the colour table as stored, 4 bytes per entry
  Bytes pixel_data;               // stored straight after the table
};

// Pixel indices, the top row first.
using Picture = std::vector<std::vector<std::uint8_t>>;

inline void put_u16(Bytes &bytes, std::size_t at, std::uint32_t value) {
  bytes[at] = static_cast<std::uint8_t>(value);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void put_u32(Bytes &bytes, std::size_t at, std::uint32_t value) {
  put_u16(bytes, at, value & 0xFFFF);
  put_u16(bytes, at + 2, value >> 16);
}

inline void append_u32(Bytes &bytes, std::uint32_t value) {
  bytes.resize(bytes.size() + 4);
  put_u32(bytes, bytes.size() - 4, value);
}

// The file: file header, information header, table, pixels. Header sizes other than 12 lay the
// fields out as the 40-byte header does, its extra V4/V5 or OS/2 2.x bytes zero, and a shorter
// one (an OS/2 2.x header that ends early) keeps only its first bytes. Size 12 is the OS/2 1.x
// core header: 16-bit width and height, and a table the caller stores with 3-byte entries.
inline Bytes make_bitmap(const BitmapFields &fields) {
  Bytes bytes(14 + std::max<std::uint32_t>(fields.header_size, 40), 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  std::size_t pixel_start = 14 + fields.header_size + fields.table.size();
  put_u32(bytes, 2, static_cast<std::uint32_t>(pixel_start + fields.pixel_data.size()));
  put_u32(bytes, 10,
          static_cast<std::uint32_t>(fields.pixel_offset < 0 ? pixel_start : fields.pixel_offset));
  put_u32(bytes, 14, fields.header_size);
  if (fields.header_size == 12) {
    put_u16(bytes, 18, static_cast<std::uint32_t>(fields.width));
    put_u16(bytes, 20, static_cast<std::uint32_t>(fields.height));
    put_u16(bytes, 22, 1);
    put_u16(bytes, 24, fields.bits);
  } else {
    put_u32(bytes, 18, static_cast<std::uint32_t>(fields.width));
    put_u32(bytes, 22, static_cast<std::uint32_t>(fields.height));
    put_u16(bytes, 26, 1);
    put_u16(bytes, 28, fields.bits);
    put_u32(bytes, 30, fields.compression);
    put_u32(bytes, 34, fields.image_size);
    put_u32(bytes, 38, fields.pixels_per_metre);
    put_u32(bytes, 42, fields.pixels_per_metre);
    put_u32(bytes, 46, fields.colours_used);
  }
  bytes.resize(14 + fields.header_size);
  bytes.insert(bytes.end(), fields.table.begin(), fields.table.end());
  bytes.insert(bytes.end(), fields.pixel_data.begin(), fields.pixel_data.end());
  return bytes;
}

// Compressed pixel data, bottom-up: runs of two or more equal pixels as encoded runs, other
// stretches of three or more as absolute runs, single pixels as runs of one; an end of line after
// every row and the end-of-bitmap mark.
inline Bytes encode_rle(const Picture &picture, unsigned bits) {
  Bytes out;
  for (std::size_t i = picture.size(); i-- > 0;) {
    const std::vector<std::uint8_t> &row = picture[i];
    std::size_t x = 0;
    while (x < row.size()) {
      std::size_t run = 1;
      while (x + run < row.size() && run < 255 && row[x + run] == row[x])
        ++run;
      std::size_t literal = 0;
      while (run == 1 && x + literal < row.size() && literal < 254 &&
             (x + literal + 1 == row.size() || row[x + literal + 1] != row[x + literal]))
        ++literal;
      if (run == 1 && literal >= 3) {
        out.push_back(0);
        out.push_back(static_cast<std::uint8_t>(literal));
        Bytes packed;
        for (std::size_t k = 0; k < literal; ++k) {
          if (bits == 8)
            packed.push_back(row[x + k]);
          else if (k % 2 == 0)
            packed.push_back(static_cast<std::uint8_t>(row[x + k] << 4));
          else
            packed.back() |= row[x + k];
        }
        if (packed.size() % 2 == 1)
          packed.push_back(0);
        out.insert(out.end(), packed.begin(), packed.end());
        x += literal;
        continue;
      }
      out.push_back(static_cast<std::uint8_t>(run));
      out.push_back(bits == 8 ? row[x] : static_cast<std::uint8_t>(row[x] << 4 | row[x]));
      x += run;
    }
    out.push_back(0);
    out.push_back(0);
  }
  out.push_back(0);
  out.push_back(1);
  return out;
}
