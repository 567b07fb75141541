// The tile row formatters: every 16-bit value in every place of a row, both ways, against printf.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "convert/common/hex_row.h"

namespace {

// Formats a row of Count values with format and returns its text; the bytes a formatter may
// store past the text are there to be overwritten.
template <int Count>
std::string formatted(char *(*format)(char *, const unsigned char *),
                      const unsigned char (&bytes)[8]) {
  char text[HexWordBytes * Count + HexRowOvershoot];
  char *end = format(text, bytes);
  return std::string(text, end);
}

template <int Count>
void expect_every_value(const char *version, char *(*format)(char *, const unsigned char *)) {
  for (unsigned value = 0; value < 0x10000; ++value) {
    // Each place of the row gets every value, with different neighbours.
    unsigned char bytes[8];
    std::string expected;
    for (unsigned i = 0; i < Count; ++i) {
      unsigned placed = (value + i * 0x4321u) & 0xFFFF;
      bytes[2 * i] = static_cast<unsigned char>(placed & 0xFF); // little-endian
      bytes[2 * i + 1] = static_cast<unsigned char>(placed >> 8);
      char piece[16];
      std::snprintf(piece, sizeof piece, "0x%04x, ", placed);
      expected += piece;
    }
    std::string got = formatted<Count>(format, bytes);
    if (got != expected) {
      ADD_FAILURE() << version << " row of " << Count << " from " << value << ": " << got;
      return;
    }
  }
}

TEST(HexRow, EveryValueInEveryPlace) {
  expect_every_value<2>("plain", format_hex_row_plain<2>);
  expect_every_value<4>("plain", format_hex_row_plain<4>);
#ifdef HEX_ROW_IN_VECTORS
  expect_every_value<2>("vector", format_hex_row_vector<2>);
  expect_every_value<4>("vector", format_hex_row_vector<4>);
#endif
}

} // namespace
