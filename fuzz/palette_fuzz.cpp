// Fuzzes the palette converter's text with colour files of any length, in memory.
#include "convert/common/source_words.h"
#include "convert/palette.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  std::uint16_t words[PaletteColourCount];
  words_from_bytes(data, size, words, PaletteColourCount);
  static TextWriter writer;
  start_discarding_writer(writer);
  write_palette_text(writer, "fuzz", words);
  end_discarding_writer(writer);
  return 0;
}
