// Reading the fixed-size sources that are plain arrays of 16-bit words.
#include "convert/common/source_words.h"

#include "platform/platform.h"

bool read_source_words(const char *path, std::uint16_t *words, std::size_t count) {
  // The largest of these sources, a screen file, is 2048 bytes.
  unsigned char bytes[2048] = {};
  if (2 * count > sizeof bytes)
    return false;
  SourceFile source;
  if (!open_source(path, SourceSharing::none, &source))
    return false;
  long long got = read_source(source, 0, bytes, 2 * count);
  close_source(source);
  if (got < 0)
    return false;
  for (std::size_t i = 0; i < count; ++i)
    words[i] = static_cast<std::uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return true;
}
