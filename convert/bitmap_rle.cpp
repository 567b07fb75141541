// Run-length decoding for bitmaps: encoded runs, end of line, end of bitmap, delta and absolute
// runs, each checked to stay inside the stream, the row and the bitmap.
#include "convert/bitmap_rle.h"

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

void put_pixel(RleCursor &cursor, unsigned index) {
  if (cursor.pixels) {
    if (cursor.bits == 8) {
      cursor.pixels[cursor.y * cursor.width + cursor.x] = static_cast<unsigned char>(index);
    } else {
      // The left pixel of each byte sits in its high nibble.
      unsigned char &byte = cursor.pixels[cursor.y * (cursor.width / 2) + cursor.x / 2];
      byte = static_cast<unsigned char>(cursor.x % 2 == 0 ? (byte & 0x0F) | index << 4
                                                          : (byte & 0xF0) | index);
    }
  }
  ++cursor.x;
}

// The index of pixel i of a run whose pixels come from the given bytes: one byte each at 8 bits,
// two to a byte, high nibble first, at 4 bits.
unsigned run_pixel(const RleCursor &cursor, const unsigned char *bytes, std::size_t i) {
  if (cursor.bits == 8)
    return bytes[i];
  return i % 2 == 0 ? bytes[i / 2] >> 4 : bytes[i / 2] & 0x0F;
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
      // An encoded run: count pixels of the byte after the count; at 4 bits its two nibbles
      // take turns, high first.
      if (!room_for(cursor, count))
        return 0;
      for (std::size_t i = 0; i < count; ++i)
        put_pixel(cursor, bits == 8 ? code : i % 2 == 0 ? code >> 4 : code & 0x0F);
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
      for (std::size_t i = 0; i < code; ++i)
        put_pixel(cursor, run_pixel(cursor, stream + position, i));
      position += padded;
    }
  }
}
