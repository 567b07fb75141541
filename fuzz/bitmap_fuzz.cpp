// Fuzzes the bitmap parser and text writer with arbitrary bitmap files, in memory.
#include "convert/bitmap.h"
#include "convert/bitmap_text.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  // libFuzzer's copy holds exactly the input's bytes, so a read past them is caught.
  BitmapPicture picture;
  if (parse_bitmap(data, size, picture).result == ResultSuccess) {
    static TextWriter writer;
    start_discarding_writer(writer);
    write_bitmap_text(writer, "fuzz", picture);
    end_discarding_writer(writer);
  }
  return 0;
}
