// Buffered formatting of generated text: the general cases behind the header's short paths.
#include "convert/common/text_writer.h"

#include <cstring>

namespace {

// The longest single piece written straight into the buffer ("0x" and 16 hex digits).
constexpr std::size_t LongestPiece = 32;

void drain(TextWriter &writer) {
  if (!writer.failed && writer.used > 0 &&
      std::fwrite(writer.buffer, 1, writer.used, writer.file) != writer.used)
    writer.failed = true;
  writer.used = 0;
}

char *reserve(TextWriter &writer, std::size_t size) {
  if (sizeof writer.buffer - writer.used < size)
    drain(writer);
  return writer.buffer + writer.used;
}

void put_bytes(TextWriter &writer, const char *bytes, std::size_t size) {
  while (size > 0) {
    if (writer.used == sizeof writer.buffer)
      drain(writer);
    std::size_t room = sizeof writer.buffer - writer.used;
    std::size_t part = size < room ? size : room;
    std::memcpy(writer.buffer + writer.used, bytes, part);
    writer.used += part;
    bytes += part;
    size -= part;
  }
}

} // namespace

void start_writer(TextWriter &writer, std::FILE *file) {
  writer.file = file;
  writer.failed = false;
  writer.used = 0;
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

void write_decimal(TextWriter &writer, long long value) {
  char digits[24];
  char *end = digits + sizeof digits;
  char *p = end;
  // Work on the magnitude as unsigned so that the most negative value has one too.
  unsigned long long magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(value)
                                           : static_cast<unsigned long long>(value);
  do {
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0)
    *--p = '-';
  put_bytes(writer, p, static_cast<std::size_t>(end - p));
}

void write_long_hex(TextWriter &writer, unsigned long long value) {
  static const char hex_digits[] = "0123456789abcdef";
  int count = 4;
  while (count < 16 && (value >> (4 * count)) != 0)
    ++count;
  char *p = reserve(writer, LongestPiece);
  p[0] = '0';
  p[1] = 'x';
  for (int i = 0; i < count; ++i)
    p[2 + i] = hex_digits[(value >> (4 * (count - 1 - i))) & 0xF];
  writer.used += 2 + static_cast<std::size_t>(count);
}

void write_component(TextWriter &writer, unsigned value) {
  char *p = reserve(writer, LongestPiece);
  p[0] = value < 10 ? ' ' : static_cast<char>('0' + value / 10);
  p[1] = static_cast<char>('0' + value % 10);
  writer.used += 2;
}

bool flush_writer(TextWriter &writer) {
  drain(writer);
  return !writer.failed;
}
