// Fuzzes the character converter's text with character files of any length, in memory: every
// length, short or long, converts.
#include "convert/characters.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static TextWriter writer;
  start_discarding_writer(writer);
  write_characters_text(writer, "fuzz", data, size);
  end_discarding_writer(writer);
  return 0;
}
