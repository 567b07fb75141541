// The one writer of generated text: it owns the CR LF line end, the number formats and the
// Japanese label bytes, so no converter builds any of them by hand.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

// The comment labels, as their code page 932 (half-width katakana) bytes.
constexpr std::string_view PaletteLabel = "\xCA\xDF\xDA\xAF\xC4"; // "palette"
// A character's header line up to its number: "// " and the label for "character" (one tile).
constexpr std::string_view CharacterHeaderStart = "// \xB7\xAC\xD7\xB8\xC0 No.";
constexpr std::string_view RowLabel = "\xC0\xC3"; // "vertical" (a map row)

// The lines that open generated files.
constexpr std::string_view ColourMacroLine = "#define RGB(r,g,b) (r|(g<<5)|(b<<10))\n\n";
constexpr std::string_view TypeCommentLine = "// typedef unsigned short u16\n\n";

// Text is gathered in one program-wide buffer and handed to the file in blocks of exactly
// WriterCapacity bytes, so that every write but the last fills whole pages of the file. A piece of
// text is stored at the writer's end by the store_ functions below, each returning where the
// piece ends, and then committed; a piece that reaches past the block leaves its overflow for
// the next one. Between pieces at least WriterHeadroom bytes stay free, so a piece up to that
// long (a bitmap's whole tile) is stored without a check.
constexpr std::size_t WriterCapacity = 1 << 20;
constexpr std::size_t WriterHeadroom = 512;

struct TextWriter {
  std::FILE *file;
  bool failed; // a write to file failed; everything after it is dropped
  std::size_t used;
  char *buffer;
};

// Starts writing to file, unbuffered by the stream: the writer's blocks go to the system whole.
void start_writer(TextWriter &writer, std::FILE *file);

// Hands the buffered text to the file; false when any write so far has failed.
bool flush_writer(TextWriter &writer);

// Behind the inline functions: the cases they do not store straight, and the drain that writes a
// full block and keeps its overflow.
void write_long_text(TextWriter &writer, std::string_view text);
char *store_long_hex(char *p, unsigned long long value);
void drain_writer(TextWriter &writer);

// "%d"
char *store_decimal(char *p, long long value);

// A colour component (0 to 31) as its decimal text right-aligned in two columns ("%2s").
char *store_component(char *p, unsigned value);

// Large pictures make tens of megabytes of short pieces and four-digit values; they are stored
// inline, where the compiler sees each piece whole. Always: in an instrumented build (a
// fuzzer's) a piece not inlined costs a search for its line ends.
constexpr std::size_t ShortPiece = 16;

[[gnu::always_inline]] inline char *text_end(TextWriter &writer) {
  return writer.buffer + writer.used;
}

// Takes the text stored up to end into the writer, and hands a full block to the file.
[[gnu::always_inline]] inline void commit(TextWriter &writer, char *end) {
  writer.used = static_cast<std::size_t>(end - writer.buffer);
  if (writer.used >= WriterCapacity)
    drain_writer(writer);
}

// Stores text of at most ShortPiece bytes with every '\n' turned into CR LF; no other byte is
// changed.
[[gnu::always_inline]] inline char *store_text(char *p, std::string_view text) {
  // For a literal the compiler settles this test, and the copy becomes a store or two.
  if (text.find('\n') == text.npos) {
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
  }
  for (char c : text) {
    if (c == '\n')
      *p++ = '\r';
    *p++ = c;
  }
  return p;
}

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

// "0x%04x": lower-case hexadecimal, at least four digits. A value up to 0xFFFF is stored as one
// eight-byte piece, whose last two bytes lie in the headroom, where the next piece goes.
[[gnu::always_inline]] inline char *store_hex(char *p, unsigned long long value) {
  if (value > 0xFFFF)
    return store_long_hex(p, value);
  char piece[8] = {'0', 'x'};
  std::memcpy(piece + 2, hex_pairs.digits[value >> 8], 2);
  std::memcpy(piece + 4, hex_pairs.digits[value & 0xFF], 2);
  std::memcpy(p, piece, 8);
  return p + 6;
}

// Eight 16-bit values side by side in one vector (GCC's and Clang's vector extension: vector
// instructions where the machine has them, plain code elsewhere). A character's rows are
// formatted a row at a time in these.
typedef std::uint16_t WordVector __attribute__((vector_size(16)));

// The first count (2 or 4) of values, each as "0x%04x" followed by ", ", in a few wide stores at
// p; they reach 2 bytes past the text's end, into the headroom.
template <int Count>
[[gnu::always_inline]] inline char *store_hex_words(char *p, WordVector values) {
  static_assert(Count == 2 || Count == 4);
  // Taking a value's high byte as the first in memory holds on a little-endian machine only.
  static_assert(std::endian::native == std::endian::little);
  typedef std::uint8_t Bytes __attribute__((vector_size(16)));
  typedef std::int8_t Digits __attribute__((vector_size(16)));
  typedef std::uint32_t Quads __attribute__((vector_size(16)));
  // Each value's high byte first, then each byte as its two digits, the high one first.
  Bytes bytes = reinterpret_cast<Bytes>(static_cast<WordVector>(values << 8 | values >> 8));
  Bytes high = bytes >> 4, low = bytes & 15;
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
  return p + 8 * Count;
}

// The same pieces, written at the writer's end and committed.
[[gnu::always_inline]] inline void write_text(TextWriter &writer, std::string_view text) {
  if (text.size() > ShortPiece)
    write_long_text(writer, text);
  else
    commit(writer, store_text(text_end(writer), text));
}

[[gnu::always_inline]] inline void write_decimal(TextWriter &writer, long long value) {
  commit(writer, store_decimal(text_end(writer), value));
}

[[gnu::always_inline]] inline void write_hex(TextWriter &writer, unsigned long long value) {
  commit(writer, store_hex(text_end(writer), value));
}

[[gnu::always_inline]] inline void write_component(TextWriter &writer, unsigned value) {
  commit(writer, store_component(text_end(writer), value));
}
