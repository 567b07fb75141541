// Reading the fixed-size sources that are plain arrays of 16-bit words.
#include "convert/common/source_words.h"

#include <algorithm>

#include "platform/platform.h"

void words_from_bytes(const unsigned char *bytes, std::size_t size, std::uint16_t *words,
                      std::size_t count) {
  std::size_t whole = std::min(size / 2, count);
  for (std::size_t i = 0; i < whole; ++i)
    words[i] = static_cast<std::uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  // Bytes a short source does not hold are 0: an odd last byte is its word's low byte alone.
  for (std::size_t i = whole; i < count; ++i)
    words[i] = 2 * i < size ? bytes[2 * i] : 0;
}

bool read_source_words(const char *path, std::uint16_t *words, std::size_t count) {
  // The largest of these sources, a screen file, is 2048 bytes.
  unsigned char bytes[2048];
  if (2 * count > sizeof bytes)
    return false;
  SourceFile source;
  if (!open_source(path, SourceSharing::none, &source))
    return false;
  long long got = read_source(source, 0, bytes, 2 * count);
  close_source(source);
  if (got < 0)
    return false;
  words_from_bytes(bytes, static_cast<std::size_t>(got), words, count);
  return true;
}
