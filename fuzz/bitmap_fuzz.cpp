// Fuzzes the bitmap parser and writer, in both sinks, with arbitrary bitmap files, in memory.
#include "convert/bitmap_picture.h"
#include "convert/bitmap_text.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  // libFuzzer's copy holds exactly the input's bytes, so a read past them is caught.
  BitmapPicture picture;
  if (parse_bitmap(data, size, picture).result == ResultSuccess) {
    write_in_both_sinks(
        [&picture](TextWriter &writer) { write_bitmap_text(writer, "fuzz", picture); });
  }
  return 0;
}
