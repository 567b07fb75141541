// Reading the fixed-size sources that are plain arrays of 16-bit words (colour and screen files).
#pragma once

#include <cstddef>
#include <cstdint>

#include "convert/common/conversion.h"
#include "convert/common/text_writer.h"
#include "platform/platform.h"

// The first count little-endian words of the first size bytes; words past them are 0.
void words_from_bytes(const unsigned char *bytes, std::size_t size, std::uint16_t *words,
                      std::size_t count);

// Reads the first 2 x count bytes of the file at path as little-endian words, with no sharing,
// and closes it, its identity in identity. Words past the end of a short file are 0, so none is
// made from bytes that were never read. ResultReadFailed when the file cannot be opened or read.
ConversionOutcome read_source_words(const char *path, std::uint16_t *words, std::size_t count,
                                    FileIdentity *identity);

// The writer of a converter's whole output for its source's words, its arrays named from
// base_name.
using WordsTextWriter = void (*)(TextWriter &text, const char *base_name,
                                 const std::uint16_t *words);

// Converts the source named by SourcePath, count words (at most 1,024): reads them, then, with
// the source closed, prepares the output and writes them into it with write_text.
ConversionOutcome convert_source_words(std::size_t count, WordsTextWriter write_text);
