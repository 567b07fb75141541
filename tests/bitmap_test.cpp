// The bitmap converter on classic bitmaps (40-byte header, full table, bottom-up rows), through
// the real program on real files.
#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>

#include "bitmap_builder.h"

namespace {

// The 8 x 8 4-bit example, written out by hand: the pixels of image row y are y, y + 1, ...
// y + 7 from the left, so each tile line holds them with the leftmost in the lowest digit.
TEST(Bitmap, EightByEightFourBitExampleByteForByte) {
  Picture picture(8, std::vector<std::uint8_t>(8));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      picture[y][x] = static_cast<std::uint8_t>(x + y);
  ScratchDirectory dir;
  std::string text = converted_text(dir, "title", make_bitmap(classic_spec(picture, 4)));
  EXPECT_EQ(text, "#define RGB(r,g,b) (r|(g<<5)|(b<<10))\r\n\r\n"
                  "// typedef unsigned short u16\r\n\r\n"
                  "// Halvetrin v1.11\tby zelmor\r\n\r\n"
                  "/* used 16 color for 4bit color */\r\n"
                  "const u16 title_pal[16] =\r\n"
                  "{\r\n"
                  "/*\t\xCA\xDF\xDA\xAF\xC4 No.0\t*/\r\n"
                  "RGB( 0, 2,31),RGB( 1, 2,30),RGB( 2, 3,29),RGB( 3, 3,28),\r\n"
                  "RGB( 4, 4,27),RGB( 5, 5,26),RGB( 6, 5,25),RGB( 7, 6,24),\r\n"
                  "RGB( 8, 7,23),RGB( 9, 7,22),RGB(10, 8,21),RGB(11, 8,20),\r\n"
                  "RGB(12, 9,19),RGB(13,10,18),RGB(14,10,17),RGB(15,11,16)\r\n"
                  "};\r\n"
                  "\r\n"
                  "/* 8 x 8 pixels */\r\n"
                  "const u16 title_sp[16]=\r\n"
                  "{\r\n"
                  "// \xB7\xAC\xD7\xB8\xC0 No.0 (0x0000)\r\n"
                  "0x3210, 0x7654, \r\n"
                  "0x4321, 0x8765, \r\n"
                  "0x5432, 0x9876, \r\n"
                  "0x6543, 0xa987, \r\n"
                  "0x7654, 0xba98, \r\n"
                  "0x8765, 0xcba9, \r\n"
                  "0x9876, 0xdcba, \r\n"
                  "0xa987, 0xedcb\r\n"
                  "};\r\n");
  EXPECT_EQ(crlf_lines(text).size(), 29u);
}

TEST(Bitmap, TilesGoTopBandFirstAndLeftToRight) {
  ScratchDirectory dir;
  struct Shape {
    int width, height;
    unsigned bits;
  };
  for (Shape shape :
       {Shape{16, 8, 4}, Shape{8, 16, 4}, Shape{8, 8, 8}, Shape{24, 16, 8}, Shape{32, 24, 4}}) {
    Picture picture = pattern_picture(shape.width, shape.height, shape.bits);
    std::string name = std::string("p") + std::to_string(shape.width) + "x" +
                       std::to_string(shape.height) + "x" + std::to_string(shape.bits);
    BitmapFields fields = classic_spec(picture, shape.bits);
    EXPECT_EQ(
        converted_text(dir, name, make_bitmap(fields)),
        expected_output(name, picture, fields.table, shape.bits, 0, shape.width, shape.height))
        << name;
  }
  // A 16 x 8 bitmap: the line before tile 1's header ends with ", ".
  std::vector<std::string> lines = crlf_lines(read_text(dir.file("p16x8x4.c")));
  ASSERT_EQ(lines.size(), 38u);
  EXPECT_EQ(lines[27], "0x579b, 0xdf13, ");
  EXPECT_EQ(lines[28], "// \xB7\xAC\xD7\xB8\xC0 No.1 (0x0001)");
}

TEST(Bitmap, ColoursUsedFieldCountsAndBlacksOutTheRest) {
  ScratchDirectory dir;
  Picture small = pattern_picture(8, 8, 4);
  BitmapFields fields = classic_spec(small, 4);
  fields.colours_used = 3;
  // Bytes 255, 8 and 7 give the components 31, 1 and 0.
  fields.table[0] = 7;
  fields.table[1] = 8;
  fields.table[2] = 255;
  std::string text = converted_text(dir, "three", make_bitmap(fields));
  EXPECT_EQ(text, expected_output("three", small, fields.table, 4, 3, 8, 8));
  EXPECT_NE(text.find("/* used 3 color for 4bit color */\r\n"), std::string::npos);
  EXPECT_NE(text.find("{\r\n/*\t\xCA\xDF\xDA\xAF\xC4 No.0\t*/\r\n"
                      "RGB(31, 1, 0),RGB( 1, 2,30),RGB( 2, 3,29),RGB( 0, 0, 0),\r\n"),
            std::string::npos);

  Picture large = pattern_picture(8, 8, 8);
  fields = classic_spec(large, 8);
  fields.colours_used = 300;
  text = converted_text(dir, "many", make_bitmap(fields));
  EXPECT_EQ(text, expected_output("many", large, fields.table, 8, 300, 8, 8));
  EXPECT_NE(text.find("/* used 300 color for 8bit color */\r\n"), std::string::npos);
  // Prologue, palette head, 16 groups of a comment and four lines, its close, tile head, one tile.
  EXPECT_EQ(crlf_lines(text).size(), 6 + 3 + 16 * 5 + 2 + 3 + 9 + 1u);
}

TEST(Bitmap, PixelsAreReadStraightAfterTheTableWhateverTheFieldsSay) {
  ScratchDirectory dir;
  for (unsigned bits : {4u, 8u}) {
    Picture picture = pattern_picture(16, 8, bits);
    BitmapFields fields = classic_spec(picture, bits);
    std::string expected = expected_output("same", picture, fields.table, bits, 0, 16, 8);
    EXPECT_EQ(converted_text(dir, "same", make_bitmap(fields)), expected);
    fields.image_size = static_cast<std::uint32_t>(fields.pixel_data.size());
    EXPECT_EQ(converted_text(dir, "same", make_bitmap(fields)), expected);
    // A larger field, and bytes after the pixel data, change nothing.
    fields.image_size = 100000;
    fields.pixel_data.insert(fields.pixel_data.end(), 40, 0xEE);
    EXPECT_EQ(converted_text(dir, "same", make_bitmap(fields)), expected);
    // A smaller field still reads every pixel the tiles need.
    fields.image_size = 4;
    EXPECT_EQ(converted_text(dir, "same", make_bitmap(fields)), expected);
    // An offset inside the table or past the end of the file names no pixels.
    for (std::int64_t offset : {0, 54, 100, 0x7FFFFFFF}) {
      fields.pixel_offset = offset;
      EXPECT_EQ(converted_text(dir, "same", make_bitmap(fields)), expected) << offset;
    }
  }
}

TEST(Bitmap, ZeroSizesGiveAnEmptyTileArray) {
  ScratchDirectory dir;
  for (auto [width, height] : {std::pair{0, 8}, std::pair{8, 0}, std::pair{0, 0}}) {
    BitmapFields fields;
    fields.width = width;
    fields.height = height;
    fields.table = colour_table(16);
    std::string text = converted_text(dir, "empty", make_bitmap(fields));
    std::string tail = "/* " + std::to_string(width) + " x " + std::to_string(height) +
                       " pixels */\r\nconst u16 empty_sp[0]=\r\n{\r\n\r\n};\r\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  }
}

// Each refused bitmap leaves the directory exactly as it was, an earlier output included.
TEST(Bitmap, RefusedBitmapsLeaveNoOutput) {
  struct Case {
    const char *name;
    BitmapFields fields;
    const char *line;
  };
  auto with = [](std::int32_t width, std::int32_t height, std::uint16_t bits) {
    BitmapFields fields;
    fields.width = width;
    fields.height = height;
    fields.bits = bits;
    fields.table = colour_table(bits <= 8 ? std::size_t{1} << bits : 0);
    if (width > 0 && height > 0 && width % 8 == 0 && height % 8 == 0 && width * height < 4096)
      fields.pixel_data.assign(static_cast<std::size_t>(width * height) * bits / 8, 0x11);
    return fields;
  };
  BitmapFields short_pixels = with(16, 16, 8);
  short_pixels.pixel_data.pop_back();
  BitmapFields short_table = with(8, 8, 8);
  short_table.table.resize(1000);
  short_table.pixel_data.clear();
  std::vector<Case> cases = {
      {"deep", with(8, 8, 24), NotIndexedBitmapLine},
      {"mono", with(8, 8, 1), NotIndexedBitmapLine},
      {"deepodd", with(12, 12, 24), NotIndexedBitmapLine},
      {"wide", with(12, 8, 4), SizeNotMultipleOf8Line},
      {"tall", with(8, 12, 4), SizeNotMultipleOf8Line},
      {"tallneg", with(8, -12, 8), SizeNotMultipleOf8Line},
      {"mirrored", with(-8, 8, 4), ReadFailedLine},
      {"shortpixels", short_pixels, ReadFailedLine},
      {"shorttable", short_table, ReadFailedLine},
      // height x width x bits at 2^31 and far beyond it.
      {"limit", with(65536, 8192, 4), ReadFailedLine},
      {"huge", with(0x7FFFFFF8, -0x7FFFFFF8, 8), ReadFailedLine},
  };
  ScratchDirectory dir;
  for (const Case &c : cases) {
    write_file(dir.file(c.name + std::string(".bmp")), make_bitmap(c.fields));
    write_text_file(dir.file(c.name + std::string(".c")), "earlier output\n");
  }
  Bytes header_only = make_bitmap(with(8, 8, 4));
  header_only.resize(53);
  write_file(dir.file("cut.bmp"), header_only);
  auto before = directory_snapshot(dir.path);
  for (const Case &c : cases)
    EXPECT_EQ(outcome_line(dir.file(c.name + std::string(".bmp"))), c.line) << c.name;
  EXPECT_EQ(outcome_line(dir.file("cut.bmp")), ReadFailedLine);
  EXPECT_EQ(outcome_line(dir.file("missing.bmp")), ReadFailedLine);
  EXPECT_EQ(directory_snapshot(dir.path), before);
}

// Each refusal's reason names the value at fault: the depth, the size, where the file stops.
TEST(Bitmap, EachRefusalNamesTheValueAtFault) {
  struct Case {
    const char *name;
    Bytes bitmap;
    const char *reason;
  };
  auto reshaped = [](std::int32_t width, std::int32_t height, std::uint16_t bits) {
    BitmapFields fields = classic_spec(pattern_picture(8, 8, 8), 8);
    fields.width = width;
    fields.height = height;
    fields.bits = bits;
    return make_bitmap(fields);
  };
  Bytes full = make_bitmap(classic_spec(pattern_picture(16, 16, 8), 8));
  auto cut = [&full](std::size_t size) { return Bytes(full.begin(), full.begin() + size); };
  BitmapFields damaged = classic_spec(pattern_picture(8, 8, 8), 8);
  damaged.compression = 1;
  damaged.pixel_data = {0, 2, 9, 9}; // a delta past the picture's bottom right
  std::vector<Case> cases = {
      {"deep", reshaped(8, 8, 24), "24 bits per pixel, not 4 or 8"},
      {"wide", reshaped(12, 8, 8), "width 12 is not a multiple of 8"},
      {"tall", reshaped(8, -12, 8), "height -12 is not a multiple of 8"},
      {"odd", reshaped(12, 20, 4), "width 12 and height 20 are not multiples of 8"},
      {"mirrored", reshaped(-8, 8, 8), "width -8: mirrored rows are not read"},
      {"huge", reshaped(65536, 8192, 4), "65536 x 8192 pixels of 4 bits are too many"},
      {"header", cut(30), "the file is 30 bytes, cut short in the headers (bytes 0 to 53)"},
      {"table", cut(100),
       "the file is 100 bytes, cut short in the colour table (bytes 54 to 1077)"},
      {"pixel", cut(full.size() - 1),
       "the file is 1333 bytes, cut short in the pixel data from offset 1078 (1 byte missing)"},
      {"pixels", cut(full.size() - 16),
       "the file is 1318 bytes, cut short in the pixel data from offset 1078 (16 bytes missing)"},
      {"damaged", make_bitmap(damaged),
       "the compressed pixel data from byte 1078 is damaged or too short"},
  };
  ScratchDirectory dir;
  for (const Case &c : cases) {
    write_file(dir.file(c.name + std::string(".bmp")), c.bitmap);
    EXPECT_EQ(run_morvane({dir.file(c.name + std::string(".bmp"))}).reason, c.reason) << c.name;
  }
  ASSERT_EQ(mkdir(dir.file("folder.bmp").c_str(), 0755), 0);
  EXPECT_EQ(run_morvane({dir.file("folder.bmp")}).reason, "cannot open: Is a directory");
}

// The generated file compiles, and every tile value holds the picture's pixels in place.
TEST(Bitmap, CompiledTilesHoldThePicturesPixels) {
  ScratchDirectory dir;
  std::mt19937 random(31);
  for (unsigned bits : {4u, 8u}) {
    const int width = 24, height = 16;
    Picture picture(height, std::vector<std::uint8_t>(width));
    for (auto &row : picture)
      for (auto &pixel : row)
        pixel = static_cast<std::uint8_t>(random() % (1u << bits));
    std::string name = "pic" + std::to_string(bits);
    converted_text(dir, name, make_bitmap(classic_spec(picture, bits)));
    std::string printed = compile_and_run_c("#include <stdio.h>\n"
                                            "typedef unsigned short u16;\n"
                                            "#include \"" +
                                                name +
                                                ".c\"\n"
                                                "int main(void) {\n"
                                                "  unsigned n = sizeof " +
                                                name + "_sp / sizeof " + name +
                                                "_sp[0];\n"
                                                "  printf(\"%u %u\\n\", n, (unsigned)(sizeof " +
                                                name +
                                                "_pal / sizeof(u16)));\n"
                                                "  for (unsigned i = 0; i < n; ++i)\n"
                                                "    printf(\"%u\\n\", (unsigned)" +
                                                name +
                                                "_sp[i]);\n"
                                                "  return 0;\n"
                                                "}\n",
                                            dir.path);
    // Tile (tx, ty) is tile ty * 3 + tx; within it, row r holds 8 pixels in 8 / (16 / bits)
    // values, each pixel in bits bits from the lowest up.
    unsigned per_value = 16 / bits;
    std::vector<unsigned> values(width * height / per_value, 0);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        int tile = (y / 8) * (width / 8) + x / 8;
        int index = tile * 64 / per_value + (y % 8) * 8 / per_value + (x % 8) / per_value;
        values[index] |= unsigned{picture[y][x]} << ((x % per_value) * bits);
      }
    std::string expected = std::to_string(values.size()) + " " + std::to_string(1u << bits) + "\n";
    for (unsigned value : values)
      expected += std::to_string(value) + "\n";
    EXPECT_EQ(printed, expected) << bits;
  }
}

TEST(Bitmap, SamplesConvert) {
  ScratchDirectory dir;
  for (const char *name : {"ship16", "sunset256"}) {
    Bytes sample = read_file(std::string(MORVANE_SOURCE_DIR) + "/samples/" + name + ".bmp");
    ASSERT_FALSE(sample.empty()) << name;
    std::string text = converted_text(dir, name, sample);
    EXPECT_NE(text.find(std::string("const u16 ") + name + "_sp["), std::string::npos);
  }
}

} // namespace
