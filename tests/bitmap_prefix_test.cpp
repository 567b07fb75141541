// Every cut-short copy of a valid bitmap is refused with no output, run in-process for speed,
// from a file and from memory, also where the headers were read before the cut.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/dispatch.h"
#include "bitmap_builder.h"
#include "convert/bitmap.h"
#include "convert/bitmap_picture.h"
#include "convert/bitmap_rle.h"

namespace {

ConversionResult convert_in_process(const std::string &path) {
  EXPECT_TRUE(set_source_path(path.c_str()));
  return convert_bitmap().result;
}

// The whole bitmap lies in memory, but only its first length bytes are given.
ConversionResult parse_from_memory(const Bytes &bitmap, std::size_t length) {
  BitmapPicture picture;
  return parse_bitmap(bitmap.data(), length, picture).result;
}

// The headers are read from the whole bitmap, as when the file was whole then, but the rest from
// only its first length bytes.
ConversionResult parts_from_memory(const Bytes &bitmap, std::size_t length) {
  BitmapPicture picture;
  BitmapLayout layout;
  EXPECT_EQ(read_bitmap_header(bitmap.data(), bitmap.size(), bitmap.size(), picture, layout).result,
            ResultSuccess);
  return read_bitmap_parts(bitmap.data(), length, layout, picture).result;
}

TEST(BitmapPrefix, EveryPrefixOfAValidBitmapIsRefused) {
  KeepWorkingDirectory keep;
  std::vector<std::pair<const char *, Bytes>> bitmaps;
  bitmaps.emplace_back("classic", make_bitmap(classic_spec(pattern_picture(16, 8, 4), 4)));
  BitmapFields modern = classic_spec(pattern_picture(8, 16, 8), 8);
  modern.header_size = 124;
  modern.colours_used = 12;
  modern.table.resize(4 * 12);
  modern.compression = 1;
  modern.pixel_data = encode_rle(pattern_picture(8, 16, 8), 8);
  bitmaps.emplace_back("modern", make_bitmap(modern));
  BitmapFields rle4 = classic_spec(pattern_picture(16, 16, 4), 4);
  rle4.compression = 2;
  rle4.pixel_data = encode_rle(pattern_picture(16, 16, 4), 4);
  bitmaps.emplace_back("rle4", make_bitmap(rle4));
  BitmapFields os2 = classic_spec(pattern_picture(8, 8, 8), 8);
  os2.header_size = 64;
  os2.compression = 1;
  os2.pixel_data = encode_rle(pattern_picture(8, 8, 8), 8);
  bitmaps.emplace_back("os2", make_bitmap(os2));
  BitmapFields core = classic_spec(pattern_picture(8, 8, 4), 4);
  core.header_size = 12;
  core.table = core_table(core.table);
  bitmaps.emplace_back("core", make_bitmap(core));
  BitmapFields top_down = classic_spec(pattern_picture(8, 8, 8), 8);
  top_down.height = -8;
  bitmaps.emplace_back("topdown", make_bitmap(top_down));

  ScratchDirectory dir;
  for (const auto &[name, bitmap] : bitmaps) {
    std::string path = dir.file(std::string(name) + ".bmp");
    for (std::size_t length = 0; length < bitmap.size(); ++length) {
      write_file(path, Bytes(bitmap.begin(), bitmap.begin() + length));
      ASSERT_EQ(convert_in_process(path), ResultReadFailed) << name << " cut to " << length;
      ASSERT_EQ(directory_snapshot(dir.path).size(), 1u) << name << " cut to " << length;
      ASSERT_EQ(parse_from_memory(bitmap, length), ResultReadFailed)
          << name << " cut to " << length;
      ASSERT_EQ(parts_from_memory(bitmap, length), ResultReadFailed)
          << name << " cut to " << length << " after its headers";
    }
    EXPECT_EQ(parse_from_memory(bitmap, bitmap.size()), ResultSuccess) << name;
    write_file(path, bitmap);
    EXPECT_EQ(convert_in_process(path), ResultSuccess) << name;
    EXPECT_TRUE(file_exists(dir.file(std::string(name) + ".c"))) << name;
    std::filesystem::remove(dir.file(std::string(name) + ".c"));
    std::filesystem::remove(path);
  }
}

// Each cut of a stream that uses every command is refused though the rest of the stream lies
// right after the cut in memory: the decoder takes nothing from past the length it is given.
TEST(BitmapPrefix, EveryCutOfACompressedStreamIsRefusedThoughTheRestFollowsInMemory) {
  // An encoded run, an absolute run (padded), a delta, an end of line, a run that ends exactly
  // at the row's end, and the end of the bitmap; 8 x 4 pixels. At 4 bits the three absolute
  // pixels fill two bytes, at 8 bits three and a pad.
  for (unsigned bits : {4u, 8u}) {
    Bytes stream = {2, 7, 0, 3, 0x12, 0x30, 0, 2, 1, 1, 0, 0, 8, 9, 0, 1};
    if (bits == 8)
      stream = {2, 7, 0, 3, 1, 2, 3, 0, 0, 2, 1, 1, 0, 0, 8, 9, 0, 1};
    std::vector<unsigned char> pixels(8 * 4);
    ASSERT_EQ(decode_rle(stream.data(), stream.size(), bits, 8, 4, pixels.data()), stream.size());
    for (std::size_t length = 0; length < stream.size(); ++length)
      EXPECT_EQ(decode_rle(stream.data(), length, bits, 8, 4, nullptr), 0u)
          << bits << " bits, cut to " << length;
  }
}

} // namespace
