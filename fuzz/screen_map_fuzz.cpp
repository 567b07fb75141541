// Fuzzes the screen map converter's text with screen files of any length, in memory.
#include "convert/common/source_words.h"
#include "convert/screen_map.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  std::uint16_t words[ScreenEntryCount];
  words_from_bytes(data, size, words, ScreenEntryCount);
  static TextWriter writer;
  start_discarding_writer(writer);
  write_screen_map_text(writer, "fuzz", words);
  end_discarding_writer(writer);
  return 0;
}
