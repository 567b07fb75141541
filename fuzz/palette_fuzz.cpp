// Fuzzes the palette converter with arbitrary colour files.
#include "convert/palette.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  convert_fuzz_input(data, size, "col", convert_palette);
  return 0;
}
