// The one writer of generated text: it owns the CR LF line end, the number formats and the
// Japanese label bytes, so no converter builds any of them by hand. Behind the same calls it has
// a second sink, for builds: the arrays' values as bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "convert/common/conversion.h"

// The comment labels, as their code page 932 (half-width katakana) bytes.
constexpr std::string_view PaletteLabel = "\xCA\xDF\xDA\xAF\xC4"; // "palette"
constexpr std::string_view RowLabel = "\xC0\xC3";                 // "vertical" (a map row)

// The lines that open generated files.
constexpr std::string_view ColourMacroLine = "#define RGB(r,g,b) (r|(g<<5)|(b<<10))\n\n";
constexpr std::string_view TypeCommentLine = "// typedef unsigned short u16\n\n";

// Where the calls below go: formatted as text, or, for a build, only the arrays' elements, each
// as its 16-bit value in two bytes, little-endian, every other piece of text dropped.
enum class WriterSink { text, values };

// The most arrays one output holds: a bitmap's palette and tiles.
constexpr int MostArrays = 2;

// An array as the values sink saw it begin: where its elements start among the bytes written.
struct WrittenArray {
  char name[PathCapacity + 8]; // the base name and its suffix
  long long count;             // elements, as declared
  std::uint64_t start;
};

// Text is gathered in one program-wide buffer and handed to the file a block at a time.
struct TextWriter {
  std::FILE *file;
  WriterSink sink;
  bool failed; // a write to file failed; everything after it is dropped
  std::size_t used;
  std::uint64_t handed_on; // bytes handed to the file so far
  char *buffer;
  int array_count; // arrays begun, in the values sink
  WrittenArray arrays[MostArrays];
};

// Starts writing to file, unbuffered by the stream: the writer's blocks go to the system whole.
void start_writer(TextWriter &writer, std::FILE *file);

// The same for the values sink.
void start_value_writer(TextWriter &writer, std::FILE *file);

// Hands the buffered text to the file; false when any write so far has failed.
bool flush_writer(TextWriter &writer);

// Text with every '\n' written as CR LF; no other byte is changed.
void write_text(TextWriter &writer, std::string_view text);

// "%d"
void write_decimal(TextWriter &writer, long long value);

// "0x%04x": lower-case hexadecimal, at least four digits. In the values sink, an element.
void write_hex(TextWriter &writer, unsigned long long value);

// "RGB(r,g,b)", each component (0 to 31) as its decimal text right-aligned in two columns
// ("%2s"). In the values sink, an element: the GBA colour the macro makes of them.
void write_colour(TextWriter &writer, unsigned red, unsigned green, unsigned blue);

// An array named base_name followed by suffix begins, of count elements: the values sink notes
// it (the text declares it in words of its own).
void start_array(TextWriter &writer, const char *base_name, const char *suffix, long long count);

// One character (an 8 x 8 tile) numbered number: its header line "// LABEL No.N (0xNNNN)", then
// its eight rows from the top down, each of row_values (2 or 4) 16-bit values stored
// little-endian, the top row's at rows and each next row's row_step bytes on; every value
// followed by ", " and every row by a line end. The array's last character goes without those
// after its last value. In the values sink, its values are elements.
void write_character(TextWriter &writer, long long number, const unsigned char *rows,
                     std::ptrdiff_t row_step, int row_values, bool array_end);
