// Reading the fixed-size sources that are plain arrays of 16-bit words.
#include "convert/common/source_words.h"

#include <algorithm>

#include "convert/common/output.h"
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

ConversionOutcome read_source_words(const char *path, std::uint16_t *words, std::size_t count,
                                    FileIdentity *identity) {
  // The largest of these sources, a screen file, is 2048 bytes.
  unsigned char bytes[2048];
  if (2 * count > sizeof bytes)
    return failed(ResultReadFailed, "%zu words do not fit %zu bytes", count, sizeof bytes);
  SourceFile source;
  if (!open_source(path, SourceSharing::none, &source))
    return failed_in_system(ResultReadFailed, "cannot open");
  long long got = read_source(source, 0, bytes, 2 * count);
  if (got < 0) {
    ConversionOutcome unread = failed_in_system(ResultReadFailed, "cannot read");
    close_source(source);
    return unread;
  }
  close_source(source);
  *identity = source.identity;
  words_from_bytes(bytes, static_cast<std::size_t>(got), words, count);
  return succeeded();
}

ConversionOutcome convert_source_words(std::size_t count, WordsTextWriter write_text) {
  // As many as the largest of these sources holds; read_source_words refuses more.
  std::uint16_t words[1024];
  FileIdentity identity;
  ConversionOutcome read = read_source_words(SourcePath, words, count, &identity);
  if (read.result != ResultSuccess)
    return read;
  // The source is closed before the output exists.
  OutputFile output;
  ConversionOutcome prepared = prepare_output(output, identity);
  if (prepared.result != ResultSuccess)
    return prepared;
  write_text(output.text, SourcePath, words);
  return finish_output(output);
}
