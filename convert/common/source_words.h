// Reading the fixed-size sources: the start of a character file, and the colour and screen files
// that are plain arrays of 16-bit words.
#pragma once

#include <cstddef>
#include <cstdint>

#include "convert/common/conversion.h"
#include "convert/common/text_writer.h"
#include "platform/platform.h"

// Reads the first size bytes of the file at path into bytes, shared as sharing says, and closes
// it, its identity in identity. Bytes past the end of a short file are 0, so none is taken from
// what the buffer held before. ResultReadFailed when the file cannot be opened or read.
ConversionOutcome read_source_start(const char *path, SourceSharing sharing, unsigned char *bytes,
                                    std::size_t size, FileIdentity *identity);

// The count little-endian words of the first 2 x count bytes.
void words_from_bytes(const unsigned char *bytes, std::uint16_t *words, std::size_t count);

// The writer of a converter's whole output for its source's words, its arrays named from
// base_name.
using WordsTextWriter = void (*)(TextWriter &text, const char *base_name,
                                 const std::uint16_t *words);

// Converts the source named by SourcePath, count little-endian words (at most 1,024): reads them
// with no sharing, then, with the source closed, prepares the output and writes them into it
// with write_text.
ConversionOutcome convert_source_words(std::size_t count, WordsTextWriter write_text);
