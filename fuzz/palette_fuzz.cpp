// Fuzzes the palette converter's writing, in both sinks, with colour files of any length.
#include <algorithm>

#include "convert/common/source_words.h"
#include "convert/palette.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  std::uint16_t words[PaletteColourCount];
  // As the converter reads a short file: its missing bytes are 0.
  unsigned char bytes[2 * PaletteColourCount] = {};
  std::copy_n(data, std::min(size, sizeof bytes), bytes);
  words_from_bytes(bytes, words, PaletteColourCount);
  write_in_both_sinks([&words](TextWriter &writer) { write_palette_text(writer, "fuzz", words); });
  return 0;
}
