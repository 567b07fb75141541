// The screen map converter, through the real program on real files.
#include <gtest/gtest.h>

#include <random>

#include "support.h"

namespace {

Bytes screen_file(const std::vector<std::uint16_t> &entries) {
  Bytes bytes;
  for (std::uint16_t entry : entries) {
    bytes.push_back(static_cast<std::uint8_t>(entry & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(entry >> 8));
  }
  return bytes;
}

std::vector<std::uint16_t> padded(std::vector<std::uint16_t> entries, std::size_t count) {
  entries.resize(count, 0);
  return entries;
}

const std::vector<std::uint16_t> TitleEntries = {0x0000, 0x0001, 0x0010, 0x0200,
                                                 0x4C23, 0xFFFF, 0x2000, 0x8000};

const std::string ZeroLine = "0x0000,0x0000,0x0000,0x0000,";

// The expected text for base name `base` whose first entry line is first_line and whose every
// other entry is 0, written out line by line.
std::string map_text(const std::string &base, const std::vector<std::string> &first_lines) {
  std::string text = "// typedef unsigned short u16\r\n\r\n"
                     "// Ostrelin v1.01\tby zelmor\r\n\r\n"
                     "/* used 32 x 32 Tile data */\r\n"
                     "const u16 " +
                     base + "_map[1024]=\r\n{\r\n";
  for (int row = 0; row < 32; ++row) {
    text += "/* \xC0\xC3 No. " + std::to_string(row) + " */\r\n";
    for (int line = 0; line < 8; ++line) {
      std::size_t index = static_cast<std::size_t>(row * 8 + line);
      if (index < first_lines.size())
        text += first_lines[index];
      else if (row == 31 && line == 7)
        text += ZeroLine.substr(0, ZeroLine.size() - 1);
      else
        text += ZeroLine;
      text += "\r\n";
    }
  }
  return text + "};\r\n";
}

std::string title_text() {
  return map_text("title", {"0x0000,0x0001,0x0020,0x0010,", "0x3443,0x7fff,0x0000,0x0800,"});
}

TEST(ScreenMap, WritesTheTitleExampleByteForByte) {
  ScratchDirectory dir;
  write_file(dir.file("title.scr"), screen_file(padded(TitleEntries, 1024)));
  RunResult run = run_morvane({dir.file("title.scr")});
  EXPECT_EQ(run.out, SuccessLine);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exit_status, 0);
  std::string text = read_text(dir.file("title.c"));
  EXPECT_EQ(text, title_text());
  EXPECT_EQ(crlf_lines(text).size(), 296u);
}

// Each worked entry alone in the first place of an otherwise empty screen.
TEST(ScreenMap, RewritesEveryWorkedEntry) {
  const std::pair<std::uint16_t, const char *> worked[] = {
      {0x0010, "0x0020"}, // character 16 is tile 32: row 1, column 0
      {0x0200, "0x0010"}, // character 512 is tile 16: row 0, column 16
      {0x03FF, "0x03ff"}, // character 1023 stays tile 1023
      {0x4C23, "0x3443"}, // character 35 is tile 67, palette 3, horizontal flip
      {0x8000, "0x0800"}, // vertical flip
      {0x2000, "0x0000"}, // bit 13 is dropped
      {0xFFFF, "0x7fff"}, // every field full, bit 15 clear
      {0x6C23, "0x3443"}, // differs from 0x4C23 only in bit 13
      {0x1C00, "0x7000"}, // palette 7 is bank 7
      {0x01F0, "0x03e0"}, // character 496, the last row of the left half, is tile 992
  };
  ScratchDirectory dir;
  for (const auto &[entry, expected] : worked) {
    SCOPED_TRACE(entry);
    write_file(dir.file("one.scr"), screen_file(padded({entry}, 1024)));
    ASSERT_EQ(run_morvane({dir.file("one.scr")}).out, SuccessLine);
    EXPECT_EQ(read_text(dir.file("one.c")),
              map_text("one", {std::string(expected) + ",0x0000,0x0000,0x0000,"}));
  }
}

TEST(ScreenMap, OnlyTheFirst2048BytesCount) {
  ScratchDirectory dir;
  std::vector<std::uint16_t> entries = padded(TitleEntries, 1024);
  for (int i = 0; i < 300; ++i) // a footer after the entries
    entries.push_back(0xFFFF);
  write_file(dir.file("title.scr"), screen_file(entries));
  EXPECT_EQ(run_morvane({dir.file("title.scr")}).out, SuccessLine);
  EXPECT_EQ(read_text(dir.file("title.c")), title_text());
}

TEST(ScreenMap, EntriesPastTheEndOfAShortFileAreZero) {
  ScratchDirectory dir;
  write_file(dir.file("title.scr"), screen_file(TitleEntries));
  EXPECT_EQ(run_morvane({dir.file("title.scr")}).out, SuccessLine);
  EXPECT_EQ(read_text(dir.file("title.c")), title_text());

  // An odd last byte is the low byte of its entry; nothing is taken from beyond it.
  write_file(dir.file("odd.scr"), Bytes{0x23, 0x4C, 0xFF});
  EXPECT_EQ(run_morvane({dir.file("odd.scr")}).out, SuccessLine);
  EXPECT_EQ(read_text(dir.file("odd.c")), map_text("odd", {"0x3443,0x01ef,0x0000,0x0000,"}));

  write_file(dir.file("empty.scr"), Bytes{});
  EXPECT_EQ(run_morvane({dir.file("empty.scr")}).out, SuccessLine);
  EXPECT_EQ(read_text(dir.file("empty.c")), map_text("empty", {}));
}

// Any screen keeps the shape: 296 lines, a row comment before every 32 entries, four entries a
// line, and no map entry with bit 15 set.
TEST(ScreenMap, RandomScreensKeepTheShape) {
  ScratchDirectory dir;
  std::mt19937 random(4);
  std::vector<std::uint16_t> entries(1024);
  for (std::uint16_t &entry : entries)
    entry = static_cast<std::uint16_t>(random());
  write_file(dir.file("noise.scr"), screen_file(entries));
  ASSERT_EQ(run_morvane({dir.file("noise.scr")}).out, SuccessLine);
  std::vector<std::string> lines = crlf_lines(read_text(dir.file("noise.c")));
  ASSERT_EQ(lines.size(), 296u);
  for (int row = 0; row < 32; ++row) {
    std::size_t comment = 7 + 9 * static_cast<std::size_t>(row);
    EXPECT_EQ(lines[comment], "/* \xC0\xC3 No. " + std::to_string(row) + " */");
    for (std::size_t line = comment + 1; line <= comment + 8; ++line) {
      const std::string &text = lines[line];
      bool last = line == 294;
      ASSERT_EQ(text.size(), last ? 27u : 28u) << text;
      for (int i = 0; i < 4; ++i) {
        std::string value = text.substr(7 * static_cast<std::size_t>(i), 6);
        EXPECT_EQ(value.substr(0, 2), "0x");
        EXPECT_LE(std::stoul(value, nullptr, 16), 0x7FFFu) << value;
        EXPECT_EQ(value.find_first_not_of("0123456789abcdefx"), std::string::npos) << value;
      }
    }
  }
  EXPECT_EQ(lines[295], "};");
}

TEST(ScreenMap, GeneratedMapCompilesWithItsEntries) {
  ScratchDirectory dir;
  std::vector<std::uint16_t> entries = padded(TitleEntries, 1024);
  entries[1023] = 0x4C23;
  write_file(dir.file("title.scr"), screen_file(entries));
  ASSERT_EQ(run_morvane({dir.file("title.scr")}).out, SuccessLine);
  std::string printed =
      compile_and_run_c("#include <stdio.h>\n"
                        "typedef unsigned short u16;\n"
                        "#include \"title.c\"\n"
                        "int main(void) {\n"
                        "  printf(\"%u\\n\", (unsigned)(sizeof title_map / sizeof title_map[0]));\n"
                        "  for (int i = 0; i < 8; ++i)\n"
                        "    printf(\"%04x\\n\", (unsigned)title_map[i]);\n"
                        "  printf(\"%04x\\n\", (unsigned)title_map[1023]);\n"
                        "  return 0;\n"
                        "}\n",
                        dir.path);
  EXPECT_EQ(printed, "1024\n0000\n0001\n0020\n0010\n3443\n7fff\n0000\n0800\n3443\n");
}

} // namespace
