// A tile row's 16-bit values, stored little-endian as a file holds them, as text, each
// "0x%04x, ": a plain version every machine builds, and one that formats a whole row in a few
// wide stores, for large bitmaps (the README's Performance section has the figures).
#pragma once

#include <cstdint>
#include <cstring>

// "0x%04x, ": the text of one value.
constexpr int HexWordBytes = 8;
// How far past a row's text a formatter may store: the vector one writes the next value's "0x".
constexpr int HexRowOvershoot = 2;

// Two lower-case hexadecimal digits for every byte value.
struct HexPairs {
  char digits[256][2];
  constexpr HexPairs() : digits() {
    constexpr char hex_digits[] = "0123456789abcdef";
    for (unsigned byte = 0; byte < 256; ++byte) {
      digits[byte][0] = hex_digits[byte >> 4];
      digits[byte][1] = hex_digits[byte & 0xF];
    }
  }
};
inline constexpr HexPairs hex_pairs;

// Count values from their 2 x Count bytes, at p; returns the end of their text.
template <int Count> char *format_hex_row_plain(char *p, const unsigned char *bytes) {
  for (int i = 0; i < Count; ++i) {
    char piece[HexWordBytes] = {'0', 'x', 0, 0, 0, 0, ',', ' '};
    std::memcpy(piece + 2, hex_pairs.digits[bytes[2 * i + 1]], 2);
    std::memcpy(piece + 4, hex_pairs.digits[bytes[2 * i]], 2);
    std::memcpy(p + HexWordBytes * i, piece, HexWordBytes);
  }
  return p + HexWordBytes * Count;
}

// The vector version on little-endian machines, where it is measured; the plain one elsewhere,
// big-endian machines among them, so that it is built and checked end to end there too.
#if defined(__GNUC__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define HEX_ROW_IN_VECTORS 1

// The same text from the row in one vector (GCC's and Clang's vector extension), Count of 2 or
// 4 values in its first lanes.
template <int Count> char *format_hex_row_vector(char *p, const unsigned char *bytes) {
  static_assert(Count == 2 || Count == 4);
  typedef std::uint64_t Halves __attribute__((vector_size(16)));
  typedef std::uint16_t Words __attribute__((vector_size(16)));
  typedef std::uint8_t Bytes __attribute__((vector_size(16)));
  typedef std::int8_t Digits __attribute__((vector_size(16)));
  typedef std::uint32_t Quads __attribute__((vector_size(16)));
  // Loaded as one 64-bit lane: stored through memory, the vector would be read back before the
  // store reaches it, which costs more than the rest of the row.
  std::uint64_t row = 0;
  std::memcpy(&row, bytes, 2 * Count);
  Words words = reinterpret_cast<Words>(Halves{row, 0});
  // Each value's high byte first, then each byte as its two digits, the high one first.
  Bytes swapped = reinterpret_cast<Bytes>(static_cast<Words>(words << 8 | words >> 8));
  Bytes high = swapped >> 4, low = swapped & 15;
  Digits digits = reinterpret_cast<Digits>(
      __builtin_shufflevector(high, low, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23));
  constexpr std::int8_t letter_step = 'a' - '0' - 10;
  digits += '0' + (reinterpret_cast<Digits>(digits > 9) & letter_step);
  // Every four digits followed by ", 0x", the opening of the next value.
  const Bytes separators = {',', ' ', '0', 'x', ',', ' ', '0', 'x',
                            ',', ' ', '0', 'x', ',', ' ', '0', 'x'};
  Quads quads = reinterpret_cast<Quads>(digits), after = reinterpret_cast<Quads>(separators);
  std::memcpy(p, "0x", 2);
  Quads first = __builtin_shufflevector(quads, after, 0, 4, 1, 5);
  std::memcpy(p + 2, &first, 16);
  if constexpr (Count == 4) {
    Quads second = __builtin_shufflevector(quads, after, 2, 6, 3, 7);
    std::memcpy(p + 18, &second, 16);
  }
  return p + HexWordBytes * Count;
}
#endif

// The version this machine uses.
template <int Count> char *format_hex_row(char *p, const unsigned char *bytes) {
#ifdef HEX_ROW_IN_VECTORS
  return format_hex_row_vector<Count>(p, bytes);
#else
  return format_hex_row_plain<Count>(p, bytes);
#endif
}
