// The one writer of generated text: it owns the CR LF line end, the number formats and the
// Japanese label bytes, so no converter builds any of them by hand.
#pragma once

#include <cstddef>
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

// Text is gathered in one program-wide buffer of WriterCapacity bytes and handed to the file in
// blocks that large. Between pieces at least WriterHeadroom bytes stay free, so a short piece is
// stored without a check.
constexpr std::size_t WriterCapacity = 1 << 20;
constexpr std::size_t WriterHeadroom = 64;

struct TextWriter {
  std::FILE *file;
  bool failed; // a write to file failed; everything after it is dropped
  std::size_t used;
  char *buffer;
};

// Starts writing to file, unbuffered by the stream: the writer's blocks go to the system whole.
void start_writer(TextWriter &writer, std::FILE *file);

// Writes text with every '\n' turned into CR LF; no other byte is changed.
inline void write_text(TextWriter &writer, std::string_view text);

// "%d"
void write_decimal(TextWriter &writer, long long value);

// "0x%04x": lower-case hexadecimal, at least four digits.
inline void write_hex(TextWriter &writer, unsigned long long value);

// A colour component (0 to 31) as its decimal text right-aligned in two columns ("%2s").
void write_component(TextWriter &writer, unsigned value);

// Each of count values (at most 4, each at most 0xFFFF) as write_hex does, followed by
// separator (one or two bytes, such as ", " or ",").
inline void write_hex_row(TextWriter &writer, const unsigned *values, int count,
                          std::string_view separator);

// Hands the buffered text to the file; false when any write so far has failed.
bool flush_writer(TextWriter &writer);

// Behind the inline writers: the cases they do not store straight, and the drain that keeps the
// headroom after a piece they did.
void write_long_text(TextWriter &writer, std::string_view text);
void write_long_hex(TextWriter &writer, unsigned long long value);
void drain_writer(TextWriter &writer);

// A large bitmap's text is tens of megabytes of short pieces and four-digit values; they are
// copied straight into the buffer here, where the compiler sees each piece whole. Always: in
// an instrumented build (a fuzzer's) a piece not inlined costs a search for its line ends.
constexpr std::size_t ShortPiece = 16;

[[gnu::always_inline]] inline void keep_headroom(TextWriter &writer) {
  if (writer.used > WriterCapacity - WriterHeadroom)
    drain_writer(writer);
}

[[gnu::always_inline]] inline void write_text(TextWriter &writer, std::string_view text) {
  if (text.size() > ShortPiece) {
    write_long_text(writer, text);
    return;
  }
  char *p = writer.buffer + writer.used;
  // For a literal the compiler settles this test, and the copy becomes a store or two.
  if (text.find('\n') == text.npos) {
    std::memcpy(p, text.data(), text.size());
    writer.used += text.size();
  } else {
    for (char c : text) {
      if (c == '\n')
        *p++ = '\r';
      *p++ = c;
    }
    writer.used = static_cast<std::size_t>(p - writer.buffer);
  }
  keep_headroom(writer);
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

// Stores "0x", the four digits of value (at most 0xFFFF) and the two bytes after them, all eight
// at once, at p; a piece shorter than eight bytes leaves the rest in the headroom, where the
// next piece goes.
[[gnu::always_inline]] inline void store_hex_piece(char *p, unsigned value, char after, char then) {
  char piece[8] = {'0', 'x', 0, 0, 0, 0, after, then};
  std::memcpy(piece + 2, hex_pairs.digits[value >> 8], 2);
  std::memcpy(piece + 4, hex_pairs.digits[value & 0xFF], 2);
  std::memcpy(p, piece, 8);
}

[[gnu::always_inline]] inline void write_hex(TextWriter &writer, unsigned long long value) {
  if (value > 0xFFFF) {
    write_long_hex(writer, value);
    return;
  }
  store_hex_piece(writer.buffer + writer.used, static_cast<unsigned>(value), ' ', ' ');
  writer.used += 6;
  keep_headroom(writer);
}

[[gnu::always_inline]] inline void write_hex_row(TextWriter &writer, const unsigned *values,
                                                 int count, std::string_view separator) {
  char *p = writer.buffer + writer.used;
  std::size_t step = 6 + separator.size();
#pragma GCC unroll 4
  for (int i = 0; i < count; ++i, p += step)
    store_hex_piece(p, values[i] & 0xFFFF, separator[0], separator.size() > 1 ? separator[1] : ' ');
  writer.used += step * static_cast<std::size_t>(count);
  keep_headroom(writer);
}
