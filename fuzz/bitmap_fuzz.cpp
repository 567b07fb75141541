// Fuzzes the bitmap converter with arbitrary bitmap files.
#include "convert/bitmap.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  convert_fuzz_input(data, size, "bmp", convert_bitmap);
  return 0;
}
