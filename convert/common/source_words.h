// Reading the fixed-size sources that are plain arrays of 16-bit words (colour and screen files).
#pragma once

#include <cstddef>
#include <cstdint>

#include "convert/common/conversion.h"
#include "platform/platform.h"

// The first count little-endian words of the first size bytes; words past them are 0.
void words_from_bytes(const unsigned char *bytes, std::size_t size, std::uint16_t *words,
                      std::size_t count);

// Reads the first 2 x count bytes of the file at path as little-endian words, with no sharing,
// and closes it, its identity in identity. Words past the end of a short file are 0, so none is
// made from bytes that were never read. ResultReadFailed when the file cannot be opened or read.
ConversionOutcome read_source_words(const char *path, std::uint16_t *words, std::size_t count,
                                    FileIdentity *identity);
