// The bitmap layouts today's tools write (V4 and V5 headers, short colour tables, RLE8 and RLE4,
// top-down rows) give the same arrays as the classic layout of the same picture; damaged
// compressed streams are refused.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "bitmap_builder.h"

namespace {

// A picture with long runs (for the encoded runs) and busy stretches (for the absolute runs).
Picture mixed_picture(int width, int height, unsigned bits) {
  Picture picture = pattern_picture(width, height, bits);
  for (int y = 0; y < height; y += 3)
    for (int x = 0; x < width / 2; ++x)
      picture[y][x] = static_cast<std::uint8_t>(y % (1 << bits));
  return picture;
}

BitmapFields compressed_spec(const Picture &picture, unsigned bits) {
  BitmapFields fields = classic_spec(picture, bits);
  fields.compression = bits == 8 ? 1 : 2;
  fields.pixel_data = encode_rle(picture, bits);
  fields.image_size = static_cast<std::uint32_t>(fields.pixel_data.size());
  return fields;
}

TEST(BitmapLayout, EveryLayoutGivesTheClassicArrays) {
  ScratchDirectory dir;
  for (unsigned bits : {4u, 8u}) {
    Picture picture = mixed_picture(24, 16, bits);
    std::uint32_t used = bits == 8 ? 20 : 5;
    BitmapFields classic = classic_spec(picture, bits);
    classic.colours_used = used;
    std::string expected = converted_text(dir, "pic", make_bitmap(classic));
    ASSERT_EQ(expected, expected_output("pic", picture, classic.table, bits, used, 24, 16));

    struct Layout {
      const char *name;
      BitmapFields fields;
    };
    std::vector<Layout> layouts;
    for (std::uint32_t header : {108u, 124u}) {
      BitmapFields fields = classic;
      fields.header_size = header;
      layouts.push_back({"info header", fields});
    }
    BitmapFields short_table = classic;
    short_table.table.resize(4 * used);
    layouts.push_back({"short table", short_table});
    BitmapFields compressed = compressed_spec(picture, bits);
    compressed.colours_used = used;
    layouts.push_back({"compressed", compressed});
    // V5 header, short table and compression together, as ImageMagick-era files combine them.
    BitmapFields together = compressed;
    together.header_size = 124;
    together.table.resize(4 * used);
    layouts.push_back({"together", together});
    for (const Layout &layout : layouts)
      EXPECT_EQ(converted_text(dir, "pic", make_bitmap(layout.fields)), expected)
          << layout.name << " " << bits;

    // Top-down rows: the same tiles and element count; the size comment prints the header.
    std::string top_down_text = expected;
    std::size_t size_comment = top_down_text.find("/* 24 x 16 pixels */");
    top_down_text.replace(size_comment, 20, "/* 24 x -16 pixels */");
    BitmapFields top_down = classic;
    top_down.height = -16;
    top_down.pixel_data = pack_rows(picture, bits, true);
    EXPECT_EQ(converted_text(dir, "pic", make_bitmap(top_down)), top_down_text) << bits;
    top_down.header_size = 124;
    top_down.table.resize(4 * used);
    EXPECT_EQ(converted_text(dir, "pic", make_bitmap(top_down)), top_down_text) << bits;
  }
}

// A short table is believed only when the pixel-data offset points just past it; otherwise the
// full table is read and the pixels follow it.
TEST(BitmapLayout, ShortTableNeedsTheOffsetThatConfirmsIt) {
  ScratchDirectory dir;
  BitmapFields full = classic_spec(pattern_picture(8, 8, 4), 4);
  full.colours_used = 4;
  std::string expected = converted_text(dir, "pic", make_bitmap(full));

  // The offset of a 4-entry table, but all 16 entries stored: the pixels are taken from the
  // offset, as from this file that really stores 4 entries.
  BitmapFields misleading = full;
  misleading.pixel_offset = 54 + 16;
  BitmapFields as_short = full;
  as_short.table.assign(full.table.begin(), full.table.begin() + 16);
  as_short.pixel_data.assign(full.table.begin() + 16, full.table.end());
  as_short.pixel_data.insert(as_short.pixel_data.end(), full.pixel_data.begin(),
                             full.pixel_data.end());
  std::string text = converted_text(dir, "pic", make_bitmap(misleading));
  EXPECT_NE(text, expected);
  EXPECT_EQ(text, converted_text(dir, "pic", make_bitmap(as_short)));

  // 4 entries stored but an offset that does not confirm it: the full 16 entries are read and
  // the pixels follow them, as from this classic file.
  BitmapFields unconfirmed = as_short;
  unconfirmed.pixel_data = full.pixel_data;
  unconfirmed.pixel_data.insert(unconfirmed.pixel_data.end(), 48, 0);
  unconfirmed.pixel_offset = 54 + 20;
  BitmapFields as_full = full;
  as_full.table = unconfirmed.table;
  as_full.table.insert(as_full.table.end(), unconfirmed.pixel_data.begin(),
                       unconfirmed.pixel_data.begin() + 48);
  as_full.pixel_data.assign(32, 0);
  EXPECT_EQ(converted_text(dir, "pic", make_bitmap(unconfirmed)),
            converted_text(dir, "pic", make_bitmap(as_full)));
}

// An offset past the full table, a longer table's or one after a gap, is where the pixels start
// when they fit between it and the end of the file; entries past the full table are not used.
TEST(BitmapLayout, PixelsStartAtAnOffsetPastTheFullTable) {
  ScratchDirectory dir;
  for (unsigned bits : {4u, 8u}) {
    Picture picture = pattern_picture(16, 16, bits);
    BitmapFields classic = classic_spec(picture, bits);
    std::size_t entries = std::size_t{1} << bits;
    for (std::size_t stored : {entries + 1, entries + 238}) {
      BitmapFields long_table = classic;
      long_table.table = colour_table(stored);
      long_table.colours_used = static_cast<std::uint32_t>(stored);
      EXPECT_EQ(
          converted_text(dir, "pic", make_bitmap(long_table)),
          expected_output("pic", picture, long_table.table, bits, long_table.colours_used, 16, 16))
          << bits << " " << stored;
      long_table.compression = bits == 8 ? 1 : 2;
      long_table.pixel_data = encode_rle(picture, bits);
      EXPECT_EQ(
          converted_text(dir, "pic", make_bitmap(long_table)),
          expected_output("pic", picture, long_table.table, bits, long_table.colours_used, 16, 16))
          << bits << " " << stored << " compressed";
    }

    std::string expected = expected_output("pic", picture, classic.table, bits, 0, 16, 16);
    BitmapFields gap = classic;
    gap.pixel_data.insert(gap.pixel_data.begin(), 12, 0xEE);
    gap.pixel_offset = 54 + static_cast<std::int64_t>(gap.table.size()) + 12;
    EXPECT_EQ(converted_text(dir, "pic", make_bitmap(gap)), expected) << bits << " gap";
    // One byte further the pixels no longer fit after it: the file is cut short.
    BitmapFields past = gap;
    ++past.pixel_offset;
    EXPECT_EQ(converted_text(dir, "pic", make_bitmap(past), ReadFailedLine), "") << bits;
  }
}

// An offset inside the table, or at or past the end of the file, names no pixels of the file:
// they are read straight after the table. At the end of an RLE file there is no stream to read.
TEST(BitmapLayout, AnOffsetInsideTheTableOrAtTheEndOfTheFileIsNotBelieved) {
  ScratchDirectory dir;
  for (unsigned bits : {4u, 8u}) {
    Picture picture = pattern_picture(16, 8, bits);
    for (bool compressed : {false, true}) {
      BitmapFields fields = compressed ? compressed_spec(picture, bits) : classic_spec(picture, bits);
      std::string expected = expected_output("pic", picture, fields.table, bits, 0, 16, 8);
      std::size_t file_size = make_bitmap(fields).size();
      for (std::int64_t offset : {std::int64_t{0}, std::int64_t{54},
                                  static_cast<std::int64_t>(54 + fields.table.size() - 1),
                                  static_cast<std::int64_t>(file_size),
                                  static_cast<std::int64_t>(file_size + 1),
                                  std::int64_t{0xFFFFFFFF}}) {
        fields.pixel_offset = offset;
        EXPECT_EQ(converted_text(dir, "pic", make_bitmap(fields)), expected)
            << bits << " bits, " << (compressed ? "compressed, " : "") << "offset " << offset;
      }
    }
  }
}

// The pixel indices Pillow reads from each file of paths, [y][x] from the top left; an empty
// list when no python3 has Pillow, and why in why.
std::vector<Picture> read_by_pillow(const std::vector<std::string> &paths, std::string &why) {
  std::string python;
  for (const char *candidate : {"python3", "/usr/bin/python3"})
    if (python.empty() &&
        std::system((std::string(candidate) + " -c 'import PIL' 2>/dev/null").c_str()) == 0)
      python = candidate;
  if (python.empty()) {
    why = "needs Pillow for python3 (the Debian package python3-pil)";
    return {};
  }
  ScratchDirectory work;
  write_text_file(work.file("read.py"), "import sys\n"
                                        "from PIL import Image\n"
                                        "for path in sys.argv[1:]:\n"
                                        "    image = Image.open(path)\n"
                                        "    print(image.width, image.height, *image.getdata())\n");
  std::string command = python + " '" + work.file("read.py") + "'";
  for (const std::string &path : paths)
    command += " '" + path + "'";
  if (std::system((command + " >'" + work.file("pixels") + "'").c_str()) != 0) {
    why = "Pillow could not read the files";
    return {};
  }
  std::vector<Picture> pictures;
  std::istringstream printed(read_text(work.file("pixels")));
  for (std::string line; std::getline(printed, line);) {
    std::istringstream numbers(line);
    int width = 0, height = 0;
    numbers >> width >> height;
    Picture picture(static_cast<std::size_t>(height), std::vector<std::uint8_t>(width));
    for (auto &row : picture)
      for (auto &pixel : row) {
        unsigned index = 0;
        numbers >> index;
        pixel = static_cast<std::uint8_t>(index);
      }
    pictures.push_back(picture);
  }
  return pictures;
}

// Pixels after a gap of any length: a file cut short after them, by a byte or a whole row, is
// refused with no output, never read from straight after the table; whole, it converts to the
// picture another decoder (Pillow) reads from it.
TEST(BitmapLayout, PixelsAfterAGapAreThoseAnotherDecoderReadsAndACutFileIsRefused) {
  ScratchDirectory dir;
  std::vector<std::string> whole_files;
  std::vector<BitmapFields> whole_fields;
  for (unsigned bits : {4u, 8u})
    for (std::size_t gap : {1u, 2u, 3u, 4u, 1024u, 65536u}) {
      BitmapFields fields = classic_spec(pattern_picture(16, 8, bits), bits);
      Bytes gap_bytes(gap);
      for (std::size_t i = 0; i < gap; ++i)
        gap_bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
      fields.pixel_data.insert(fields.pixel_data.begin(), gap_bytes.begin(), gap_bytes.end());
      fields.pixel_offset = static_cast<std::int64_t>(54 + fields.table.size() + gap);
      Bytes whole = make_bitmap(fields);
      std::string name = "gap" + std::to_string(bits) + "_" + std::to_string(gap);
      std::size_t row_bytes = 16 * bits / 8;
      for (std::size_t cut : {std::size_t{1}, row_bytes}) {
        SCOPED_TRACE(name + " cut by " + std::to_string(cut));
        write_file(dir.file(name + ".bmp"), Bytes(whole.begin(), whole.end() - cut));
        RunResult run = run_morvane({dir.file(name + ".bmp")});
        EXPECT_EQ(run.err, ReadFailedLine);
        EXPECT_EQ(run.reason, "the file is " + std::to_string(whole.size() - cut) +
                                  " bytes, cut short in the pixel data from offset " +
                                  std::to_string(fields.pixel_offset) + " (" +
                                  std::to_string(cut) + (cut == 1 ? " byte" : " bytes") +
                                  " missing)");
        EXPECT_FALSE(file_exists(dir.file(name + ".c")));
      }
      write_file(dir.file(name + ".bmp"), whole);
      whole_files.push_back(dir.file(name + ".bmp"));
      whole_fields.push_back(fields);
    }

  std::string why;
  std::vector<Picture> read = read_by_pillow(whole_files, why);
  if (read.empty())
    GTEST_SKIP() << why;
  ASSERT_EQ(read.size(), whole_files.size());
  for (std::size_t i = 0; i < whole_files.size(); ++i) {
    SCOPED_TRACE(whole_files[i]);
    ASSERT_EQ(read[i], pattern_picture(16, 8, whole_fields[i].bits)) << "Pillow's reading";
    std::string name = std::filesystem::path(whole_files[i]).stem().string();
    EXPECT_EQ(converted_text(dir, name, read_file(whole_files[i])),
              expected_output(name, read[i], whole_fields[i].table, whole_fields[i].bits, 0, 16, 8));
  }
}

// Pixels the stream never sets are 0; encoded RLE4 runs alternate their two nibbles; absolute
// runs of odd length are padded to 16 bits.
TEST(BitmapLayout, CompressedStreamsSkipAndPad) {
  ScratchDirectory dir;
  Picture picture(16, std::vector<std::uint8_t>(16, 0));
  // Bottom row: a run of 5 alternating 1, 2; an absolute run 3, 4, 5; then a delta.
  for (int x = 0; x < 5; ++x)
    picture[15][x] = x % 2 == 0 ? 1 : 2;
  picture[15][5] = 3;
  picture[15][6] = 4;
  picture[15][7] = 5;
  // The delta of 4 right and 2 up from (8, 0) lands on (12, 2), image row 13: two 7s there,
  // then an end of line.
  picture[13][12] = 7;
  picture[13][13] = 7;
  // Row 3 from the bottom: one absolute run of 5 pixels (3 bytes and a pad),
  // then the end of the bitmap.
  for (int x = 0; x < 5; ++x)
    picture[12][x] = static_cast<std::uint8_t>(9 + x);
  Bytes stream = {5,    0x12, 0, 3, 0x34, 0x50, 0,    2,    4, 2, 2,
                  0x77, 0,    0, 0, 5,    0x9A, 0xBC, 0xD0, 0, 0, 1};
  BitmapFields compressed = classic_spec(picture, 4);
  compressed.compression = 2;
  compressed.pixel_data = stream;
  std::string expected = converted_text(dir, "pic", make_bitmap(classic_spec(picture, 4)));
  EXPECT_EQ(converted_text(dir, "pic", make_bitmap(compressed)), expected);

  Bytes stream8 = {5, 0x12, 0, 3, 3, 4, 5,  0,  0,  2,  4, 2, 2,
                   7, 0,    0, 0, 5, 9, 10, 11, 12, 13, 0, 0, 1};
  for (int x = 0; x < 5; ++x)
    picture[15][x] = 0x12;
  compressed = classic_spec(picture, 8);
  compressed.compression = 1;
  compressed.pixel_data = stream8;
  expected = converted_text(dir, "pic", make_bitmap(classic_spec(picture, 8)));
  EXPECT_EQ(converted_text(dir, "pic", make_bitmap(compressed)), expected);

  // A delta may end exactly at the end of its row: four pixels of 3, a delta of 4 right to the
  // row's end, an end of line, a row of 5s.
  Picture delta_to_end(8, std::vector<std::uint8_t>(8, 0));
  for (int x = 0; x < 8; ++x) {
    delta_to_end[7][x] = x < 4 ? 3 : 0;
    delta_to_end[6][x] = 5;
  }
  for (unsigned bits : {4u, 8u}) {
    BitmapFields fields = classic_spec(delta_to_end, bits);
    fields.compression = bits == 8 ? 1 : 2;
    std::uint8_t three = bits == 8 ? 3 : 0x33, five = bits == 8 ? 5 : 0x55;
    fields.pixel_data = {4, three, 0, 2, 4, 0, 0, 0, 8, five, 0, 1};
    EXPECT_EQ(converted_text(dir, "pic", make_bitmap(fields)),
              expected_output("pic", delta_to_end, fields.table, bits, 0, 8, 8))
        << bits;
  }
}

TEST(BitmapLayout, DamagedStreamsAreRefused) {
  struct Case {
    const char *name;
    Bytes stream;
  };
  // An 8 x 8 RLE8 bitmap; each stream is damaged in one way.
  std::vector<Case> cases = {
      {"empty", {}},
      {"no end of bitmap", {8, 1, 0, 0, 8, 2, 0, 0}},
      {"cut in a command", {8, 1, 0}},
      {"run past the row", {6, 1, 3, 1, 0, 0, 0, 1}},
      {"absolute run past the row", {4, 1, 0, 5, 1, 2, 3, 4, 5, 0, 0, 1}},
      {"absolute run past the stream", {0, 5, 1, 2, 3}},
      {"delta past the right", {4, 1, 0, 2, 5, 0, 0, 1}},
      {"delta past the top", {0, 2, 0, 8, 0, 1}},
      {"delta cut short", {0, 2, 1}},
      {"end of line past the top", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
      {"run past the top", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 1}},
  };
  // Deltas that move nowhere, repeated past anything an 8 x 8 picture can need.
  Bytes endless;
  for (int i = 0; i < 2000; ++i)
    endless.insert(endless.end(), {0, 2, 0, 0});
  endless.insert(endless.end(), {0, 1});
  cases.push_back({"longer than the picture can need", endless});
  ScratchDirectory dir;
  for (const Case &c : cases) {
    BitmapFields fields = classic_spec(pattern_picture(8, 8, 8), 8);
    fields.compression = 1;
    fields.pixel_data = c.stream;
    EXPECT_EQ(converted_text(dir, "pic", make_bitmap(fields), ReadFailedLine), "") << c.name;
  }
  // A picture far larger than its stream could describe is refused rather than allocated.
  BitmapFields huge = classic_spec(Picture{}, 8);
  huge.width = 8192;
  huge.height = 8192;
  huge.compression = 1;
  huge.pixel_data = {0, 1};
  EXPECT_EQ(converted_text(dir, "pic", make_bitmap(huge), ReadFailedLine), "");
  // The same end of bitmap alone is a whole 8 x 8 picture of index 0.
  huge.width = 8;
  huge.height = 8;
  EXPECT_EQ(
      converted_text(dir, "pic", make_bitmap(huge)),
      expected_output("pic", Picture(8, std::vector<std::uint8_t>(8, 0)), huge.table, 8, 0, 8, 8));
}

// Only compression 1 with 8 bits and 2 with 4 bits is decoded; any other value is read as plain
// rows.
TEST(BitmapLayout, OtherCompressionValuesAreReadAsPlainRows) {
  ScratchDirectory dir;
  for (unsigned bits : {4u, 8u}) {
    Picture picture = pattern_picture(8, 8, bits);
    BitmapFields fields = classic_spec(picture, bits);
    std::string expected = converted_text(dir, "pic", make_bitmap(fields));
    for (std::uint32_t compression : {bits == 8 ? 2u : 1u, 3u, 4u, 0xFFFFFFFFu}) {
      fields.compression = compression;
      EXPECT_EQ(converted_text(dir, "pic", make_bitmap(fields)), expected)
          << bits << " " << compression;
    }
  }
}

} // namespace
