// Buffered formatting of generated text: the general cases behind the header's short paths.
#include "convert/common/text_writer.h"

#include <cstring>

namespace {

// One conversion runs at a time, so one buffer serves every writer; it is kept off the stack.
char writer_buffer[WriterCapacity + WriterHeadroom];

// Hands the first size bytes of the buffer to the file, unless a write has failed already.
void write_out(TextWriter &writer, std::size_t size) {
  if (!writer.failed && size > 0 && std::fwrite(writer.buffer, 1, size, writer.file) != size)
    writer.failed = true;
}

// Stores bytes, a block at a time.
void put_bytes(TextWriter &writer, const char *bytes, std::size_t size) {
  while (size > 0) {
    std::size_t room = WriterCapacity - writer.used;
    std::size_t part = size < room ? size : room;
    std::memcpy(writer.buffer + writer.used, bytes, part);
    bytes += part;
    size -= part;
    commit(writer, writer.buffer + writer.used + part);
  }
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

} // namespace

void drain_writer(TextWriter &writer) {
  write_out(writer, WriterCapacity);
  writer.used -= WriterCapacity;
  std::memmove(writer.buffer, writer.buffer + WriterCapacity, writer.used);
}

void start_writer(TextWriter &writer, std::FILE *file) {
  writer.file = file;
  writer.failed = std::setvbuf(file, nullptr, _IONBF, 0) != 0;
  writer.used = 0;
  writer.buffer = writer_buffer;
}

void write_long_text(TextWriter &writer, std::string_view text) {
  while (!text.empty()) {
    std::size_t line_end = text.find('\n');
    put_bytes(writer, text.data(), line_end == text.npos ? text.size() : line_end);
    if (line_end == text.npos)
      return;
    put_bytes(writer, "\r\n", 2);
    text.remove_prefix(line_end + 1);
  }
}

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

char *store_long_hex(char *p, unsigned long long value) {
  static const char hex_digits[] = "0123456789abcdef";
  int count = 4;
  while (count < 16 && (value >> (4 * count)) != 0)
    ++count;
  p[0] = '0';
  p[1] = 'x';
  for (int i = 0; i < count; ++i)
    p[2 + i] = hex_digits[(value >> (4 * (count - 1 - i))) & 0xF];
  return p + 2 + count;
}

char *store_component(char *p, unsigned value) {
  p[0] = value < 10 ? ' ' : static_cast<char>('0' + value / 10);
  p[1] = static_cast<char>('0' + value % 10);
  return p + 2;
}

bool flush_writer(TextWriter &writer) {
  write_out(writer, writer.used);
  writer.used = 0;
  return !writer.failed;
}
