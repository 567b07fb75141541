// The palette converter, through the real program on real files.
#include <gtest/gtest.h>

#include <random>

#include "support.h"

namespace {

Bytes colour_file(const std::vector<std::uint16_t> &colours) {
  Bytes bytes;
  for (std::uint16_t colour : colours) {
    bytes.push_back(static_cast<std::uint8_t>(colour & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(colour >> 8));
  }
  return bytes;
}

const std::string AllBlackLine = "RGB( 0, 0, 0),RGB( 0, 0, 0),RGB( 0, 0, 0),RGB( 0, 0, 0),";

// The expected text for base name sky and the eight colours of the worked example, the rest 0,
// written out line by line.
std::string sky_text() {
  std::string text = "#define RGB(r,g,b) (r|(g<<5)|(b<<10))\r\n\r\n"
                     "// typedef unsigned short u16\r\n\r\n"
                     "// Quorrel v1.00\tby zelmor\r\n\r\n"
                     "const u16 sky_pal[256]=\r\n{\r\n";
  for (int group = 0; group < 16; ++group) {
    text += "/*\t\xCA\xDF\xDA\xAF\xC4 No." + std::to_string(group) + "\t*/\r\n";
    for (int line = 0; line < 4; ++line) {
      if (group == 0 && line == 0)
        text += "RGB( 0, 0, 0),RGB(31,31,31),RGB(31, 0, 0),RGB( 0,31, 0),";
      else if (group == 0 && line == 1)
        text += "RGB( 0, 0,31),RGB( 0, 0, 0),RGB(20,17, 4),RGB(31,31,31),";
      else if (group == 15 && line == 3)
        text += AllBlackLine.substr(0, AllBlackLine.size() - 1);
      else
        text += AllBlackLine;
      text += "\r\n";
    }
  }
  return text + "};\r\n\r\n";
}

const std::vector<std::uint16_t> SkyColours = {0x0000, 0x7FFF, 0x001F, 0x03E0,
                                               0x7C00, 0x8000, 0x1234, 0xFFFF};

std::vector<std::uint16_t> padded(std::vector<std::uint16_t> colours, std::size_t count) {
  colours.resize(count, 0);
  return colours;
}

TEST(Palette, WritesTheSkyExampleByteForByte) {
  ScratchDirectory dir;
  write_file(dir.file("sky.col"), colour_file(padded(SkyColours, 256)));
  RunResult run = run_morvane({dir.file("sky.col")});
  EXPECT_EQ(run.out, SuccessLine);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exit_status, 0);
  std::string text = read_text(dir.file("sky.c"));
  EXPECT_EQ(text, sky_text());
  std::vector<std::string> lines = crlf_lines(text);
  EXPECT_EQ(lines.size(), 90u);
}

TEST(Palette, OnlyTheFirst512BytesCount) {
  ScratchDirectory dir;
  std::vector<std::uint16_t> colours = padded(SkyColours, 256);
  for (int i = 0; i < 256; ++i) // a footer such as real palette files carry
    colours.push_back(0x7FFF);
  write_file(dir.file("sky.col"), colour_file(colours));
  run_morvane({dir.file("sky.col")});
  EXPECT_EQ(read_text(dir.file("sky.c")), sky_text());
}

TEST(Palette, ColoursPastTheEndOfAShortFileAreBlack) {
  ScratchDirectory dir;
  write_file(dir.file("sky.col"), colour_file(SkyColours));
  EXPECT_EQ(run_morvane({dir.file("sky.col")}).out, SuccessLine);
  EXPECT_EQ(read_text(dir.file("sky.c")), sky_text());

  // An odd last byte is read as the low byte of its colour; nothing is taken from beyond it.
  write_file(dir.file("odd.col"), Bytes{0xFF, 0xFF, 0x1F});
  EXPECT_EQ(run_morvane({dir.file("odd.col")}).out, SuccessLine);
  std::vector<std::string> lines = crlf_lines(read_text(dir.file("odd.c")));
  ASSERT_EQ(lines.size(), 90u);
  EXPECT_EQ(lines[9], "RGB(31,31,31),RGB(31, 0, 0),RGB( 0, 0, 0),RGB( 0, 0, 0),");

  write_file(dir.file("empty.col"), Bytes{});
  EXPECT_EQ(run_morvane({dir.file("empty.col")}).out, SuccessLine);
  std::string empty = read_text(dir.file("empty.c"));
  std::string expected = sky_text();
  expected.replace(expected.find("sky_pal"), 3, "empty");
  expected.replace(expected.find("RGB( 0, 0, 0),RGB(31,31,31)"), 2 * AllBlackLine.size() + 2,
                   AllBlackLine + "\r\n" + AllBlackLine);
  EXPECT_EQ(empty, expected);
}

TEST(Palette, CompiledEntriesEqualTheSourceColoursWithoutBit15) {
  ScratchDirectory dir;
  std::mt19937 random(2026);
  std::vector<std::uint16_t> colours(256);
  for (std::uint16_t &colour : colours)
    colour = static_cast<std::uint16_t>(random());
  write_file(dir.file("random.col"), colour_file(colours));
  ASSERT_EQ(run_morvane({dir.file("random.col")}).out, SuccessLine);

  std::string printed =
      compile_and_run_c("#include <stdio.h>\n"
                        "typedef unsigned short u16;\n"
                        "#include \"random.c\"\n"
                        "int main(void) {\n"
                        "  for (int i = 0; i < 256; ++i)\n"
                        "    printf(\"%u\\n\", (unsigned)random_pal[i]);\n"
                        "  return sizeof random_pal / sizeof random_pal[0] != 256;\n"
                        "}\n",
                        dir.path);
  std::string expected;
  for (std::uint16_t colour : colours)
    expected += std::to_string(colour & 0x7FFF) + "\n";
  EXPECT_EQ(printed, expected);
}

} // namespace
