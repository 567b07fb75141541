// Fuzzes the character converter's writing, in both sinks, with character files of any length, in
// memory: every length, short or long, converts, padded with zeros to its full size as the
// converter pads it.
#include <algorithm>
#include <cstring>

#include "convert/characters.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static unsigned char file[CharacterFileBytes];
  std::size_t held = std::min(size, CharacterFileBytes);
  if (held != 0)
    std::memcpy(file, data, held);
  std::memset(file + held, 0, CharacterFileBytes - held);
  write_in_both_sinks([](TextWriter &writer) { write_characters_text(writer, "fuzz", file); });
  return 0;
}
