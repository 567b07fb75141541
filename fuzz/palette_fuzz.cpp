// Fuzzes the palette converter's writing, in both sinks, with colour files of any length.
#include "convert/common/source_words.h"
#include "convert/palette.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  std::uint16_t words[PaletteColourCount];
  words_from_bytes(data, size, words, PaletteColourCount);
  write_in_both_sinks([&words](TextWriter &writer) { write_palette_text(writer, "fuzz", words); });
  return 0;
}
