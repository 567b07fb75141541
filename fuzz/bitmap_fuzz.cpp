// Fuzzes the bitmap reader and text writer with arbitrary bitmap files, in memory.
#include <cstring>
#include <memory>

#include "convert/bitmap.h"
#include "convert/bitmap_text.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  // A copy of exactly the input's bytes, so that a read past them is caught.
  std::unique_ptr<unsigned char[]> bytes(new unsigned char[size]);
  if (size != 0)
    std::memcpy(bytes.get(), data, size);
  BitmapPicture picture;
  if (read_bitmap(std::move(bytes), size, picture).result == ResultSuccess) {
    static TextWriter writer;
    start_discarding_writer(writer);
    write_bitmap_text(writer, "fuzz", picture);
    end_discarding_writer(writer);
  }
  return 0;
}
