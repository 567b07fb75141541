// Reading the fixed-size sources that are plain arrays of 16-bit words.
#include "convert/common/source_words.h"

#include "platform/platform.h"

void words_from_bytes(const unsigned char *bytes, std::size_t size, std::uint16_t *words,
                      std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    unsigned low = 2 * i < size ? bytes[2 * i] : 0;
    unsigned high = 2 * i + 1 < size ? bytes[2 * i + 1] : 0;
    words[i] = static_cast<std::uint16_t>(low | high << 8);
  }
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
