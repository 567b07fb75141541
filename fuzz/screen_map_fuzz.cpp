// Fuzzes the screen map converter's writing, in both sinks, with screen files of any length.
#include "convert/common/source_words.h"
#include "convert/screen_map.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  std::uint16_t words[ScreenEntryCount];
  words_from_bytes(data, size, words, ScreenEntryCount);
  write_in_both_sinks(
      [&words](TextWriter &writer) { write_screen_map_text(writer, "fuzz", words); });
  return 0;
}
