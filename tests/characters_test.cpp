// The character converter, through the real program on real files.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <random>

#include "support.h"
#include "tile_decoding.h"

namespace {

constexpr std::size_t FullSize = 32768;

// Sets row r of source character s from its four plane bytes.
void set_row(Bytes &file, int s, int r, std::uint8_t p0, std::uint8_t p1, std::uint8_t p2,
             std::uint8_t p3) {
  std::size_t start = 32 * static_cast<std::size_t>(s);
  file[start + 2 * r] = p0;
  file[start + 2 * r + 1] = p1;
  file[start + 16 + 2 * r] = p2;
  file[start + 17 + 2 * r] = p3;
}

Bytes random_bytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (std::uint8_t &byte : bytes)
    byte = static_cast<std::uint8_t>(random());
  return bytes;
}

std::string header_line(int n) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04x", n);
  return "// \xB7\xAC\xD7\xB8\xC0 No." + std::to_string(n) + " (0x" + hex + ")";
}

// The expected text of a sheet with base name `base`: the prologue, then for every output
// character its header and eight row lines, the rows given by row_values ("0x0000, 0x0000").
std::string sheet_text(const std::string &base,
                       const std::function<std::string(int n, int r)> &row_values) {
  std::string text = "// typedef unsigned short u16\r\n\r\n"
                     "// Brundival v1.00\tby zelmor\r\n\r\n"
                     "/* 256 x 256 pixels */\r\n"
                     "const u16 " +
                     base + "_sp[16384] =\r\n{\r\n";
  for (int n = 0; n < 1024; ++n) {
    text += header_line(n) + "\r\n";
    for (int r = 0; r < 8; ++r)
      text += row_values(n, r) + (n == 1023 && r == 7 ? "" : ", ") + "\r\n";
  }
  return text + "};\r\n";
}

std::string blank_row(int, int) { return "0x0000, 0x0000"; }

TEST(Characters, AnEmptySheetByteForByte) {
  ScratchDirectory dir;
  write_file(dir.file("blank.cgx"), Bytes(FullSize, 0));
  RunResult run = run_morvane({dir.file("blank.cgx")});
  EXPECT_EQ(run.out, SuccessLine);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exit_status, 0);
  std::string text = read_text(dir.file("blank.c"));
  EXPECT_EQ(text, sheet_text("blank", blank_row));

  // The headers count output positions in decimal and four lower-case hexadecimal digits.
  std::vector<std::string> lines = crlf_lines(text);
  ASSERT_EQ(lines.size(), 9224u);
  EXPECT_EQ(lines[7], "// \xB7\xAC\xD7\xB8\xC0 No.0 (0x0000)");
  EXPECT_EQ(lines[7 + 9 * 16], "// \xB7\xAC\xD7\xB8\xC0 No.16 (0x0010)");
  EXPECT_EQ(lines[7 + 9 * 255], "// \xB7\xAC\xD7\xB8\xC0 No.255 (0x00ff)");
  EXPECT_EQ(lines[7 + 9 * 1023], "// \xB7\xAC\xD7\xB8\xC0 No.1023 (0x03ff)");
  EXPECT_EQ(lines[9222], "0x0000, 0x0000");
  EXPECT_EQ(lines[9223], "};");
}

TEST(Characters, ConvertsThePlanesOfEachRow) {
  Bytes file(FullSize, 0);
  for (int r = 0; r < 8; ++r)
    set_row(file, 5, r, 0xF0, 0xCC, 0xAA, 0x01); // colours 7 3 5 1 6 2 4 8
  set_row(file, 7, 0, 0xFF, 0xFF, 0xFF, 0xFF);
  set_row(file, 7, 1, 0x80, 0x00, 0x00, 0x00); // only the leftmost pixel, colour 1
  set_row(file, 7, 2, 0x00, 0x00, 0x00, 0x01); // only the rightmost pixel, colour 8
  set_row(file, 7, 3, 0x00, 0x10, 0x00, 0x00); // pixel 3, colour 2
  set_row(file, 7, 4, 0x00, 0x00, 0x08, 0x00); // pixel 4, colour 4
  // The right half's first character is output character 16.
  set_row(file, 512, 7, 0x00, 0x00, 0x00, 0x80); // pixel 0, colour 8
  const std::map<std::pair<int, int>, std::string> rows = {
      {{7, 0}, "0xffff, 0xffff"}, {{7, 1}, "0x0001, 0x0000"}, {{7, 2}, "0x0000, 0x8000"},
      {{7, 3}, "0x2000, 0x0000"}, {{7, 4}, "0x0000, 0x0004"}, {{16, 7}, "0x0008, 0x0000"},
  };
  ScratchDirectory dir;
  write_file(dir.file("rows.cgx"), file);
  ASSERT_EQ(run_morvane({dir.file("rows.cgx")}).out, SuccessLine);
  EXPECT_EQ(read_text(dir.file("rows.c")), sheet_text("rows", [&](int n, int r) -> std::string {
              if (n == 5)
                return "0x1537, 0x8426";
              auto found = rows.find({n, r});
              return found == rows.end() ? "0x0000, 0x0000" : found->second;
            }));
}

// Every source character is told apart by its first row, so each output tile names its source.
TEST(Characters, LaysTheTwoHalvesSideBySide) {
  Bytes file = random_bytes(FullSize, 7);
  for (int s = 0; s < 1024; ++s)
    set_row(file, s, 0, static_cast<std::uint8_t>(s & 0xFF), static_cast<std::uint8_t>(s >> 8), 0,
            0);
  ScratchDirectory dir;
  write_file(dir.file("sheet.cgx"), file);
  ASSERT_EQ(run_morvane({dir.file("sheet.cgx")}).out, SuccessLine);
  std::vector<TileValues> tiles = parse_sheet(read_text(dir.file("sheet.c")));
  ASSERT_EQ(tiles.size(), 1024u);

  const std::pair<int, int> worked[] = {{0, 0},      {15, 15},     {16, 512},   {31, 527},
                                        {32, 16},    {47, 31},     {511, 767},  {512, 256},
                                        {1007, 511}, {1008, 1008}, {1023, 1023}};
  for (const auto &[n, s] : worked)
    EXPECT_EQ(gba_tile(tiles[n]), planar_character(file, s)) << "output " << n << ", source " << s;

  // On the 32 x 32 sheet, columns 0-15 are the left half of the file, columns 16-31 the right.
  for (int n = 0; n < 1024; ++n) {
    int a = n / 32, b = n % 32;
    int s = b < 16 ? 16 * a + b : 512 + 16 * a + (b - 16);
    EXPECT_EQ(gba_tile(tiles[static_cast<std::size_t>(n)]), planar_character(file, s))
        << "output " << n;
  }
}

TEST(Characters, OnlyTheFirst32768BytesCount) {
  Bytes file = random_bytes(FullSize, 11);
  Bytes longer = file;
  for (int i = 0; i < 5000; ++i) // a footer such as real character files carry
    longer.push_back(0xFF);
  ScratchDirectory exact, longer_dir;
  write_file(exact.file("pic.cgx"), file);
  write_file(longer_dir.file("pic.cgx"), longer);
  ASSERT_EQ(run_morvane({exact.file("pic.cgx")}).out, SuccessLine);
  ASSERT_EQ(run_morvane({longer_dir.file("pic.cgx")}).out, SuccessLine);
  EXPECT_EQ(read_text(longer_dir.file("pic.c")), read_text(exact.file("pic.c")));
}

// A short file converts as if the missing bytes were 0: less than one run, a cut inside a left
// run, one just past the left half, a cut inside the right half, and an empty file.
TEST(Characters, BytesPastTheEndOfAShortFileAreZero) {
  Bytes full = random_bytes(FullSize, 13);
  for (std::size_t size : {std::size_t{300}, std::size_t{9001}, std::size_t{16385},
                           std::size_t{20000}, std::size_t{32767}}) {
    SCOPED_TRACE(size);
    Bytes shorter(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
    Bytes padded = shorter;
    padded.resize(FullSize, 0);
    ScratchDirectory short_dir, padded_dir;
    write_file(short_dir.file("cut.cgx"), shorter);
    write_file(padded_dir.file("cut.cgx"), padded);
    ASSERT_EQ(run_morvane({short_dir.file("cut.cgx")}).out, SuccessLine);
    ASSERT_EQ(run_morvane({padded_dir.file("cut.cgx")}).out, SuccessLine);
    EXPECT_EQ(read_text(short_dir.file("cut.c")), read_text(padded_dir.file("cut.c")));
  }
  ScratchDirectory dir;
  write_file(dir.file("empty.cgx"), Bytes{});
  ASSERT_EQ(run_morvane({dir.file("empty.cgx")}).out, SuccessLine);
  EXPECT_EQ(read_text(dir.file("empty.c")), sheet_text("empty", blank_row));
}

TEST(Characters, GeneratedSheetCompilesWithItsValues) {
  Bytes file(FullSize, 0);
  set_row(file, 5, 0, 0xF0, 0xCC, 0xAA, 0x01);
  set_row(file, 1023, 7, 0x00, 0x00, 0x00, 0x01);
  ScratchDirectory dir;
  write_file(dir.file("tiles.cgx"), file);
  ASSERT_EQ(run_morvane({dir.file("tiles.cgx")}).out, SuccessLine);
  std::string printed = compile_and_run_c(
      "#include <stdio.h>\n"
      "typedef unsigned short u16;\n"
      "#include \"tiles.c\"\n"
      "int main(void) {\n"
      "  printf(\"%u\\n\", (unsigned)(sizeof tiles_sp / sizeof tiles_sp[0]));\n"
      "  printf(\"%04x %04x\\n\", (unsigned)tiles_sp[80], (unsigned)tiles_sp[81]);\n"
      "  printf(\"%04x\\n\", (unsigned)tiles_sp[16383]);\n"
      "  return 0;\n"
      "}\n",
      dir.path);
  EXPECT_EQ(printed, "16384\n1537 8426\n8000\n");
}

} // namespace
