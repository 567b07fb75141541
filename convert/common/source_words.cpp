// Reading the fixed-size sources.
#include "convert/common/source_words.h"

#include <cstring>

#include "convert/common/output.h"
#include "platform/platform.h"

ConversionOutcome read_source_start(const char *path, SourceSharing sharing, unsigned char *bytes,
                                    std::size_t size, FileIdentity *identity) {
  SourceFile source;
  if (!open_source(path, sharing, &source))
    return failed_in_system(ResultReadFailed, "cannot open");
  long long got = read_source(source, 0, bytes, size);
  if (got < 0) {
    ConversionOutcome unread = failed_in_system(ResultReadFailed, "cannot read");
    close_source(source);
    return unread;
  }
  close_source(source);
  *identity = source.identity;
  std::memset(bytes + got, 0, size - static_cast<std::size_t>(got));
  return succeeded();
}

void words_from_bytes(const unsigned char *bytes, std::uint16_t *words, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    words[i] = static_cast<std::uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
}

ConversionOutcome convert_source_words(std::size_t count, WordsTextWriter write_text) {
  // The largest of these sources, a screen file, is 2048 bytes.
  unsigned char bytes[2048];
  std::uint16_t words[sizeof bytes / 2];
  if (count > sizeof words / sizeof words[0])
    return failed(ResultReadFailed, "%zu words do not fit %zu bytes", count, sizeof bytes);
  FileIdentity identity;
  ConversionOutcome read =
      read_source_start(SourcePath, SourceSharing::none, bytes, 2 * count, &identity);
  if (read.result != ResultSuccess)
    return read;
  words_from_bytes(bytes, words, count);
  return write_output(identity, [&](TextWriter &text) {
    write_text(text, SourcePath, words);
    return succeeded();
  });
}
