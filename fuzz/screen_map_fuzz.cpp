// Fuzzes the screen map converter with screen files of any length: every readable file, short
// or long, converts.
#include <cstdlib>

#include "convert/screen_map.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (convert_fuzz_input(data, size, "scr", convert_screen_map) != ResultSuccess)
    std::abort();
  return 0;
}
