// Run-length decoding for bitmaps: encoded runs, end of line, end of bitmap, delta and absolute
// runs, each checked to stay inside the stream, the row and the bitmap.
#include "convert/bitmap_rle.h"

#include <cstring>

namespace {

// The escape codes that follow a 0 count.
constexpr unsigned char EndOfLine = 0;
constexpr unsigned char EndOfBitmap = 1;
constexpr unsigned char Delta = 2;

struct RleCursor {
  unsigned bits;
  std::size_t width;
  std::size_t row_count;
  unsigned char *pixels; // null when the stream is only checked
  std::size_t x;         // never more than width
  std::size_t y;         // never more than row_count; row_count means past the last row
};

bool room_for(const RleCursor &cursor, std::size_t count) {
  return cursor.y < cursor.row_count && count <= cursor.width - cursor.x;
}

// Sets pixel x of the cursor's row at 4 bits: the left pixel of each byte sits in its high
// nibble.
void put_nibble(const RleCursor &cursor, std::size_t x, unsigned index) {
  unsigned char &byte = cursor.pixels[cursor.y * (cursor.width / 2) + x / 2];
  byte =
      static_cast<unsigned char>(x % 2 == 0 ? (byte & 0x0F) | index << 4 : (byte & 0xF0) | index);
}

// An encoded run: count pixels of code, whose two nibbles take turns at 4 bits, high first.
void put_run(RleCursor &cursor, std::size_t count, unsigned char code) {
  if (cursor.pixels && cursor.bits == 8)
    std::memset(cursor.pixels + cursor.y * cursor.width + cursor.x, code, count);
  else if (cursor.pixels)
    for (std::size_t i = 0; i < count; ++i)
      put_nibble(cursor, cursor.x + i, i % 2 == 0 ? code >> 4 : code & 0x0F);
  cursor.x += count;
}

// An absolute run: count pixels from bytes, one byte each at 8 bits, two to a byte, high nibble
// first, at 4 bits.
void put_absolute(RleCursor &cursor, std::size_t count, const unsigned char *bytes) {
  if (cursor.pixels && cursor.bits == 8)
    std::memcpy(cursor.pixels + cursor.y * cursor.width + cursor.x, bytes, count);
  else if (cursor.pixels)
    for (std::size_t i = 0; i < count; ++i)
      put_nibble(cursor, cursor.x + i, i % 2 == 0 ? bytes[i / 2] >> 4 : bytes[i / 2] & 0x0F);
  cursor.x += count;
}

} // namespace

std::size_t decode_rle(const unsigned char *stream, std::size_t length, unsigned bits,
                       std::size_t width, std::size_t row_count, unsigned char *pixels) {
  RleCursor cursor{bits, width, row_count, pixels, 0, 0};
  std::size_t position = 0;
  for (;;) {
    if (length - position < 2)
      return 0;
    unsigned char count = stream[position];
    unsigned char code = stream[position + 1];
    position += 2;
    if (count > 0) {
      if (!room_for(cursor, count))
        return 0;
      put_run(cursor, count, code);
      continue;
    }
    if (code == EndOfBitmap)
      return position;
    if (code == EndOfLine) {
      if (cursor.y == row_count)
        return 0;
      cursor.x = 0;
      ++cursor.y;
    } else if (code == Delta) {
      if (length - position < 2)
        return 0;
      std::size_t right = stream[position];
      std::size_t up = stream[position + 1];
      position += 2;
      if (cursor.y == row_count || right > width - cursor.x || up >= row_count - cursor.y)
        return 0;
      cursor.x += right;
      cursor.y += up;
    } else {
      // An absolute run of code pixels, its bytes padded to a whole number of 16-bit words.
      std::size_t bytes = bits == 8 ? code : (code + 1u) / 2;
      std::size_t padded = bytes + bytes % 2;
      if (!room_for(cursor, code) || padded > length - position)
        return 0;
      put_absolute(cursor, code, stream + position);
      position += padded;
    }
  }
}
