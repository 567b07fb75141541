// Buffered formatting of generated text, and the values sink behind the same calls.
#include "convert/common/text_writer.h"

#include <cstring>

#include "convert/common/hex_row.h"

namespace {

// A character's header line up to its number: "// " and the label for "character" (one tile).
constexpr std::string_view CharacterHeaderStart = "// \xB7\xAC\xD7\xB8\xC0 No.";

// The longest piece stored with no check of room: a whole character of four values a row, its
// header with the longest number, "-" and 19 digits, " (", "0x" and 16 digits, and ")" CR LF;
// its eight rows, each with its line end; and what the row formatter may store past them.
constexpr std::size_t LongestCharacter =
    CharacterHeaderStart.size() + 20 + 2 + 18 + 3 + 8 * (4 * HexWordBytes + 2) + HexRowOvershoot;
// Every piece is stored where at least this much room is left.
constexpr std::size_t WriterHeadroom = 512;
static_assert(LongestCharacter <= WriterHeadroom);

// The text handed to the file at a time.
constexpr std::size_t WriterCapacity = 1 << 20;

// One conversion runs at a time, so one buffer serves every writer; it is kept off the stack.
char writer_buffer[WriterCapacity + WriterHeadroom];

// Hands the first size bytes of the buffer to the file, unless a write has failed already.
void write_out(TextWriter &writer, std::size_t size) {
  if (!writer.failed && size > 0 && std::fwrite(writer.buffer, 1, size, writer.file) != size)
    writer.failed = true;
  writer.handed_on += size;
}

// Where the next piece goes, with the headroom free after it. A full buffer is handed on as a
// block of exactly WriterCapacity bytes, the rest kept for the next: writes of whole pages cost
// the system less (the README's Performance section has the figures).
char *text_end(TextWriter &writer) {
  if (writer.used > WriterCapacity) {
    write_out(writer, WriterCapacity);
    writer.used -= WriterCapacity;
    std::memmove(writer.buffer, writer.buffer + WriterCapacity, writer.used);
  }
  return writer.buffer + writer.used;
}

void commit(TextWriter &writer, const char *end) {
  writer.used = static_cast<std::size_t>(end - writer.buffer);
}

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

// Two decimal digits for every value below 100.
struct DecimalPairs {
  char digits[100][2];
  constexpr DecimalPairs() : digits() {
    for (unsigned value = 0; value < 100; ++value) {
      digits[value][0] = static_cast<char>('0' + value / 10);
      digits[value][1] = static_cast<char>('0' + value % 10);
    }
  }
};
constexpr DecimalPairs decimal_pairs;

char *store_decimal(char *p, long long value) {
  // Work on the magnitude as unsigned so that the most negative value has one too.
  unsigned long long magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(value)
                                           : static_cast<unsigned long long>(value);
  std::size_t length = 1;
  for (unsigned long long rest = magnitude; rest >= 10; rest /= 10)
    ++length;
  // The sign and at most 20 digits, stored in place from the last digit back, two at a time.
  if (value < 0)
    *p++ = '-';
  char *end = p + length;
  char *digit = end;
  for (; magnitude >= 100; magnitude /= 100) {
    digit -= 2;
    std::memcpy(digit, decimal_pairs.digits[magnitude % 100], 2);
  }
  if (magnitude >= 10)
    std::memcpy(digit - 2, decimal_pairs.digits[magnitude], 2);
  else
    digit[-1] = static_cast<char>('0' + magnitude);
  return end;
}

char *store_hex(char *p, unsigned long long value) {
  int count = 4;
  while (count < 16 && (value >> (4 * count)) != 0)
    ++count;
  *p++ = '0';
  *p++ = 'x';
  for (int i = 0; i < count; ++i)
    p[i] = "0123456789abcdef"[(value >> (4 * (count - 1 - i))) & 0xF];
  return p + count;
}

// An element for the values sink: its 16 bits, little-endian whatever the machine.
char *store_value(char *p, unsigned value) {
  p[0] = static_cast<char>(value & 0xFF);
  p[1] = static_cast<char>(value >> 8 & 0xFF);
  return p + 2;
}

// A character's eight rows of row_values values, as the bytes they are stored in.
char *store_character_values(char *p, const unsigned char *rows, std::ptrdiff_t row_step,
                             int row_values) {
  std::size_t row_bytes = 2 * static_cast<std::size_t>(row_values);
  for (int row = 0; row < 8; ++row) {
    std::memcpy(p, rows + row * row_step, row_bytes);
    p += row_bytes;
  }
  return p;
}

template <int RowValues>
char *store_character(char *p, long long number, const unsigned char *rows,
                      std::ptrdiff_t row_step) {
  p = store_text(p, CharacterHeaderStart);
  p = store_decimal(p, number);
  p = store_text(p, " (");
  p = store_hex(p, static_cast<unsigned long long>(number));
  p = store_text(p, ")\n");
  for (int row = 0; row < 8; ++row) {
    p = format_hex_row<RowValues>(p, rows + row * row_step);
    p = store_text(p, "\n");
  }
  return p;
}

} // namespace

void start_writer(TextWriter &writer, std::FILE *file) {
  writer.file = file;
  writer.sink = WriterSink::text;
  writer.failed = std::setvbuf(file, nullptr, _IONBF, 0) != 0;
  writer.used = 0;
  writer.handed_on = 0;
  writer.buffer = writer_buffer;
  writer.array_count = 0;
}

void start_value_writer(TextWriter &writer, std::FILE *file) {
  start_writer(writer, file);
  writer.sink = WriterSink::values;
}

bool flush_writer(TextWriter &writer) {
  write_out(writer, writer.used);
  writer.used = 0;
  return !writer.failed;
}

void write_text(TextWriter &writer, std::string_view text) {
  if (writer.sink == WriterSink::values)
    return;
  // A byte becomes at most two, so a part of half the headroom fits.
  while (!text.empty()) {
    std::string_view part = text.substr(0, WriterHeadroom / 2);
    commit(writer, store_text(text_end(writer), part));
    text.remove_prefix(part.size());
  }
}

void write_decimal(TextWriter &writer, long long value) {
  if (writer.sink == WriterSink::values)
    return;
  commit(writer, store_decimal(text_end(writer), value));
}

void write_hex(TextWriter &writer, unsigned long long value) {
  if (writer.sink == WriterSink::values)
    commit(writer, store_value(text_end(writer), static_cast<unsigned>(value)));
  else
    commit(writer, store_hex(text_end(writer), value));
}

void write_colour(TextWriter &writer, unsigned red, unsigned green, unsigned blue) {
  char *p = text_end(writer);
  if (writer.sink == WriterSink::values) {
    commit(writer, store_value(p, red | green << 5 | blue << 10));
    return;
  }
  p = store_text(p, "RGB(");
  for (unsigned component : {red, green, blue}) {
    p[0] = component < 10 ? ' ' : static_cast<char>('0' + component / 10);
    p[1] = static_cast<char>('0' + component % 10);
    p[2] = ',';
    p += 3;
  }
  p[-1] = ')';
  commit(writer, p);
}

void start_array(TextWriter &writer, const char *base_name, const char *suffix, long long count) {
  if (writer.sink != WriterSink::values)
    return;
  // No converter begins more arrays; an output that did would be no output to trust.
  if (writer.array_count == MostArrays) {
    writer.failed = true;
    return;
  }
  WrittenArray &array = writer.arrays[writer.array_count++];
  std::snprintf(array.name, sizeof array.name, "%s%s", base_name, suffix);
  array.count = count;
  array.start = writer.handed_on + writer.used;
}

void write_character(TextWriter &writer, long long number, const unsigned char *rows,
                     std::ptrdiff_t row_step, int row_values, bool array_end) {
  char *p = text_end(writer);
  if (writer.sink == WriterSink::values) {
    commit(writer, store_character_values(p, rows, row_step, row_values));
    return;
  }
  p = row_values == 4 ? store_character<4>(p, number, rows, row_step)
                      : store_character<2>(p, number, rows, row_step);
  commit(writer, array_end ? p - 4 : p); // ", " and the line end
}
