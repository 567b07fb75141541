// The one writer of generated text: it owns the CR LF line end, the number formats and the
// Japanese label bytes, so no converter builds any of them by hand.
#pragma once

#include <cstddef>
#include <cstdio>
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
void write_text(TextWriter &writer, std::string_view text);

// "%d"
void write_decimal(TextWriter &writer, long long value);

// "0x%04x": lower-case hexadecimal, at least four digits.
void write_hex(TextWriter &writer, unsigned long long value);

// A colour component (0 to 31) as its decimal text right-aligned in two columns ("%2s").
void write_component(TextWriter &writer, unsigned value);

// Hands the buffered text to the file; false when any write so far has failed.
bool flush_writer(TextWriter &writer);
