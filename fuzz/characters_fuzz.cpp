// Fuzzes the character converter with character files of any length: every readable file,
// short or long, converts.
#include <cstdlib>

#include "convert/characters.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (convert_fuzz_input(data, size, "cgx", convert_characters) != ResultSuccess)
    std::abort();
  return 0;
}
