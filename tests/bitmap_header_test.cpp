// The header kinds besides Windows' (OS/2 2.x at 64 bytes and its shorter forms, the OS/2 1.x
// core header) give the arrays of the classic file of the same picture; any other header size is
// refused.
#include <gtest/gtest.h>

#include "bitmap_builder.h"

namespace {

TEST(BitmapHeader, Os2VersionTwoHeadersGiveTheClassicArrays) {
  ScratchDirectory dir;
  for (unsigned bits : {4u, 8u}) {
    Picture picture = pattern_picture(24, 16, bits);
    BitmapFields classic = classic_spec(picture, bits);
    std::string expected = expected_output("pic", picture, classic.table, bits, 0, 24, 16);
    ASSERT_EQ(converted_text(dir, "pic", make_bitmap(classic)), expected);
    // The whole header, and every form that ends it after one of its fields.
    for (std::uint32_t header :
         {64u, 16u, 20u, 24u, 28u, 32u, 36u, 42u, 44u, 46u, 48u, 52u, 56u, 60u}) {
      BitmapFields os2 = classic;
      os2.header_size = header;
      EXPECT_EQ(converted_text(dir, "pic", make_bitmap(os2)), expected) << bits << " " << header;
    }
    BitmapFields compressed = classic;
    compressed.header_size = 64;
    compressed.compression = bits == 8 ? 1 : 2;
    compressed.pixel_data = encode_rle(picture, bits);
    EXPECT_EQ(converted_text(dir, "pic", make_bitmap(compressed)), expected)
        << bits << " compressed";
    // A short table, confirmed by the offset, as in a Windows file.
    BitmapFields short_table = classic;
    short_table.header_size = 64;
    short_table.colours_used = 5;
    short_table.table.resize(4 * 5);
    EXPECT_EQ(converted_text(dir, "pic", make_bitmap(short_table)),
              expected_output("pic", picture, classic.table, bits, 5, 24, 16))
        << bits << " short table";
  }
}

// A field that a short header ends before is 0, never read from the table after the header:
// here the table's first bytes would read as compression 1 (RLE8) and as a colours-used field.
TEST(BitmapHeader, FieldsPastAShortHeadersEndAreZero) {
  ScratchDirectory dir;
  Picture picture = pattern_picture(16, 8, 8);
  BitmapFields fields = classic_spec(picture, 8);
  fields.header_size = 16;
  fields.table[0] = 1;
  fields.table[1] = 0;
  fields.table[2] = 0;
  fields.table[3] = 0;
  EXPECT_EQ(converted_text(dir, "pic", make_bitmap(fields)),
            expected_output("pic", picture, fields.table, 8, 0, 16, 8));
}

// Huffman 1D and RLE24, which a Windows header would mean otherwise, are not read.
TEST(BitmapHeader, Os2OnlyCompressionsAreRefused) {
  ScratchDirectory dir;
  for (unsigned bits : {4u, 8u})
    for (std::uint32_t compression : {3u, 4u}) {
      BitmapFields fields = classic_spec(pattern_picture(8, 8, bits), bits);
      fields.header_size = 64;
      fields.compression = compression;
      EXPECT_EQ(converted_text(dir, "pic", make_bitmap(fields), ReadFailedLine), "")
          << bits << " " << compression;
      // A header that ends before the compression field leaves it 0.
      fields.header_size = 16;
      EXPECT_NE(converted_text(dir, "pic", make_bitmap(fields)), "") << bits << " " << compression;
    }
}

TEST(BitmapHeader, CoreHeadersGiveTheClassicArrays) {
  ScratchDirectory dir;
  for (unsigned bits : {4u, 8u}) {
    Picture picture = pattern_picture(32, 16, bits);
    BitmapFields classic = classic_spec(picture, bits);
    std::string expected = expected_output("pic", picture, classic.table, bits, 0, 32, 16);
    BitmapFields core = classic;
    core.header_size = 12;
    core.table = core_table(classic.table);
    EXPECT_EQ(converted_text(dir, "pic", make_bitmap(core)), expected) << bits;
    // Pixels after a gap, found by the offset.
    core.pixel_data.insert(core.pixel_data.begin(), 6, 0xEE);
    core.pixel_offset = 26 + static_cast<std::int64_t>(core.table.size()) + 6;
    EXPECT_EQ(converted_text(dir, "pic", make_bitmap(core)), expected) << bits << " gap";
  }
  // Other depths and sizes get the messages they get in a Windows header, a file shorter than
  // a Windows header's 54 bytes too.
  for (std::uint16_t bits : {1, 24}) {
    BitmapFields deep;
    deep.header_size = 12;
    deep.bits = bits;
    deep.pixel_data.assign(8 * bits, 0x5A);
    EXPECT_EQ(converted_text(dir, "pic", make_bitmap(deep), NotIndexedBitmapLine), "") << bits;
    deep.pixel_data.clear();
    EXPECT_EQ(converted_text(dir, "pic", make_bitmap(deep), NotIndexedBitmapLine), "")
        << bits << " short";
  }
  BitmapFields wide = classic_spec(pattern_picture(8, 8, 4), 4);
  wide.header_size = 12;
  wide.table = core_table(wide.table);
  wide.width = 12;
  EXPECT_EQ(converted_text(dir, "pic", make_bitmap(wide), SizeNotMultipleOf8Line), "");
  // The sizes are unsigned: a height field of 0xFFF8 is 65528 rows, which the 8 rows stored
  // fall far short of, never 8 rows stored top-down.
  BitmapFields tall = classic_spec(pattern_picture(8, 8, 4), 4);
  tall.header_size = 12;
  tall.table = core_table(tall.table);
  tall.height = 0xFFF8;
  EXPECT_EQ(converted_text(dir, "pic", make_bitmap(tall), ReadFailedLine), "");
}

// A size that no header kind has (or that ends an OS/2 2.x header inside a field) is refused,
// though the bytes at the classic places describe a valid bitmap, and though a longer header's
// table and pixels follow it where that size says, as a reader of guessed layouts would take them.
TEST(BitmapHeader, OtherHeaderSizesAreRefused) {
  ScratchDirectory dir;
  for (std::uint32_t header : {0u, 11u, 14u, 18u, 41u, 50u, 100u, 0xFFFFFFFFu}) {
    Bytes bitmap = make_bitmap(classic_spec(pattern_picture(8, 8, 4), 4));
    put_u32(bitmap, 14, header);
    EXPECT_EQ(converted_text(dir, "pic", bitmap, ReadFailedLine), "") << header;
  }
  for (std::uint32_t header : {41u, 50u, 100u, 125u, 200u}) {
    BitmapFields fields = classic_spec(pattern_picture(8, 8, 4), 4);
    fields.header_size = header;
    EXPECT_EQ(converted_text(dir, "pic", make_bitmap(fields), ReadFailedLine), "") << header;
  }
}

} // namespace
