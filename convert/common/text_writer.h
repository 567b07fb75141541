// The one writer of generated text: it owns the CR LF line end, the number formats and the
// Japanese label bytes, so no converter builds any of them by hand.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>

// The comment labels, as their code page 932 (half-width katakana) bytes.
constexpr std::string_view PaletteLabel = "\xCA\xDF\xDA\xAF\xC4";   // "palette"
constexpr std::string_view CharacterLabel = "\xB7\xAC\xD7\xB8\xC0"; // "character" (one tile)
constexpr std::string_view RowLabel = "\xC0\xC3";                   // "vertical" (a map row)

// The lines that open generated files.
constexpr std::string_view ColourMacroLine = "#define RGB(r,g,b) (r|(g<<5)|(b<<10))\n\n";
constexpr std::string_view TypeCommentLine = "// typedef unsigned short u16\n\n";

struct TextWriter {
  std::FILE *file;
  bool failed; // a write to file failed; everything after it is dropped
  std::size_t used;
  char buffer[1 << 16];
};

void start_writer(TextWriter &writer, std::FILE *file);

// Writes text with every '\n' turned into CR LF; no other byte is changed.
inline void write_text(TextWriter &writer, std::string_view text);

// "%d"
void write_decimal(TextWriter &writer, long long value);

// "0x%04x": lower-case hexadecimal, at least four digits.
inline void write_hex(TextWriter &writer, unsigned long long value);

// A colour component (0 to 31) as its decimal text right-aligned in two columns ("%2s").
void write_component(TextWriter &writer, unsigned value);

// Hands the buffered text to the file; false when any write so far has failed.
bool flush_writer(TextWriter &writer);

// The general cases of write_text and write_hex, for long pieces and a full buffer.
void write_long_text(TextWriter &writer, std::string_view text);
void write_long_hex(TextWriter &writer, unsigned long long value);

// A large bitmap's text is tens of megabytes of short pieces and four-digit values; they are
// copied straight into the buffer here, where the compiler sees each piece whole.
constexpr std::size_t ShortPiece = 16;

inline void write_text(TextWriter &writer, std::string_view text) {
  if (text.size() > ShortPiece || sizeof writer.buffer - writer.used < 2 * ShortPiece) {
    write_long_text(writer, text);
    return;
  }
  char *p = writer.buffer + writer.used;
  // For a literal the compiler settles this test, and the copy becomes a store or two.
  if (text.find('\n') == text.npos) {
    std::memcpy(p, text.data(), text.size());
    writer.used += text.size();
    return;
  }
  for (char c : text) {
    if (c == '\n')
      *p++ = '\r';
    *p++ = c;
  }
  writer.used = static_cast<std::size_t>(p - writer.buffer);
}

inline void write_hex(TextWriter &writer, unsigned long long value) {
  if (value > 0xFFFF || sizeof writer.buffer - writer.used < ShortPiece) {
    write_long_hex(writer, value);
    return;
  }
  static constexpr char hex_digits[] = "0123456789abcdef";
  char *p = writer.buffer + writer.used;
  p[0] = '0';
  p[1] = 'x';
  p[2] = hex_digits[value >> 12];
  p[3] = hex_digits[(value >> 8) & 0xF];
  p[4] = hex_digits[(value >> 4) & 0xF];
  p[5] = hex_digits[value & 0xF];
  writer.used += 6;
}
