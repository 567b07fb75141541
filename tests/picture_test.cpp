// morvane --picture: the real program draws the C files the real program wrote, and each picture
// is held pixel for pixel against the GBA's screen as the emulator test decodes it straight from
// the sources (tests/gba/pictures.cpp); each refusal leaves an earlier picture as it was.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#include <stb_image.h>

#include "bitmap_file.h"
#include "convert/common/sheet.h"
#include "gba/pictures.h"
#include "support.h"

namespace {

// A PNG read back: 0xBBGGRR a pixel, as the emulator's frames are.
struct Png {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
};

Png read_png(const std::string &path) {
  Png png;
  int channels;
  stbi_uc *rgb = stbi_load(path.c_str(), &png.width, &png.height, &channels, 3);
  if (!rgb) {
    ADD_FAILURE() << path << " is no PNG stb_image reads";
    return png;
  }
  for (int i = 0; i < png.width * png.height; ++i)
    png.pixels.push_back(rgb[3 * i] | rgb[3 * i + 1] << 8 | std::uint32_t(rgb[3 * i + 2]) << 16);
  stbi_image_free(rgb);
  return png;
}

// The 240 x 160 screen of a 256 x 256 background scrolled to (x, y), wrapping as the GBA does.
Frame screen_of(const Png &png, int scroll_x, int scroll_y) {
  Frame frame;
  for (int y = 0; y < screen_height; ++y)
    for (int x = 0; x < screen_width; ++x)
      frame.push_back(png.pixels[(y + scroll_y) % 256 * 256 + (x + scroll_x) % 256]);
  return frame;
}

// Converts each source in dir, then draws the outputs named (without ".c") into dir/out.png.
RunResult convert_and_draw(const ScratchDirectory &dir, const std::vector<std::string> &sources,
                           const std::vector<std::string> &outputs) {
  for (const std::string &source : sources)
    EXPECT_EQ(run_morvane({dir.file(source)}).exit_status, 0) << source;
  std::vector<std::string> arguments = {"--picture", "out.png"};
  for (const std::string &output : outputs)
    arguments.push_back(output + ".c");
  return run_morvane(arguments, dir.path);
}

// The screen the trio's files draw is the GBA's at the four scrolls that together show all of it.
void expect_screen(const Bytes &cgx, const Bytes &scr, const Bytes &col) {
  ScratchDirectory dir;
  write_file(dir.file("c.cgx"), cgx);
  write_file(dir.file("s.scr"), scr);
  write_file(dir.file("p.col"), col);
  RunResult run = convert_and_draw(dir, {"c.cgx", "s.scr", "p.col"}, {"s", "c", "p"});
  ASSERT_EQ(run.exit_status, 0) << run.printed_err;
  EXPECT_EQ(run.printed_out, "out.png: drawn, 256 x 256 pixels\n");
  Png png = read_png(dir.file("out.png"));
  ASSERT_EQ(png.width, 256);
  ASSERT_EQ(png.height, 256);
  for (auto [x, y] : {std::pair{0, 0}, {16, 0}, {0, 96}, {256 - screen_width, 256 - screen_height}})
    EXPECT_EQ(compare_frames(expected_tiles_frame(cgx, scr, col, x, y), screen_of(png, x, y)).count,
              0)
        << "scrolled to " << x << ", " << y;
}

Bytes random_bytes(std::mt19937 &random, std::size_t count) {
  Bytes bytes(count);
  for (std::uint8_t &byte : bytes)
    byte = static_cast<std::uint8_t>(random());
  return bytes;
}

TEST(Picture, CastleIsTheGbaScreen) {
  Bytes samples[3];
  const char *names[] = {"castle_tiles.cgx", "castle_map.scr", "castle_colours.col"};
  for (int i = 0; i < 3; ++i)
    samples[i] = read_file(std::string(MORVANE_SOURCE_DIR) + "/samples/" + names[i]);
  expect_screen(samples[0], samples[1], samples[2]);
}

// Random screens reach both flips, every bank, bit 13 and both halves of the character file.
TEST(Picture, RandomScreensAreTheGbaScreen) {
  std::mt19937 random(28);
  for (int round = 0; round < 3; ++round)
    expect_screen(random_bytes(random, 32768), random_bytes(random, 2048),
                  random_bytes(random, 512));
}

// A sheet and a palette draw the tiles in the sheet's order in bank 0: the screen whose entry n
// names the character at sheet tile n.
TEST(Picture, SheetShowsItsTilesInOrder) {
  std::mt19937 random(5);
  Bytes cgx = random_bytes(random, 32768), col = random_bytes(random, 512), scr(2048);
  for (unsigned tile = 0; tile < 1024; ++tile)
    put_u16(scr, 2 * tile, character_at_sheet_tile(tile));
  ScratchDirectory dir;
  write_file(dir.file("c.cgx"), cgx);
  write_file(dir.file("p.col"), col);
  RunResult run = convert_and_draw(dir, {"c.cgx", "p.col"}, {"p", "c"});
  ASSERT_EQ(run.exit_status, 0) << run.printed_err;
  Png png = read_png(dir.file("out.png"));
  ASSERT_EQ(png.width, 256);
  for (auto [x, y] : {std::pair{0, 0}, {16, 96}})
    EXPECT_EQ(compare_frames(expected_tiles_frame(cgx, scr, col, x, y), screen_of(png, x, y)).count,
              0);
}

// A palette alone: entry i as an 8 x 8 swatch at column i mod 16, row i div 16, bit 15 dropped.
TEST(Picture, PaletteShowsItsSwatches) {
  std::mt19937 random(9);
  Bytes col = random_bytes(random, 512);
  ScratchDirectory dir;
  write_file(dir.file("p.col"), col);
  RunResult run = convert_and_draw(dir, {"p.col"}, {"p"});
  ASSERT_EQ(run.exit_status, 0) << run.printed_err;
  EXPECT_EQ(run.printed_out, "out.png: drawn, 128 x 128 pixels\n");
  Png png = read_png(dir.file("out.png"));
  ASSERT_EQ(png.width * png.height, 128 * 128);
  int wrong = 0;
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x) {
      int entry = y / 8 * 16 + x / 8;
      wrong += png.pixels[y * 128 + x] !=
               shown_colour((col[2 * entry] | col[2 * entry + 1] << 8) & 0x7fff);
    }
  EXPECT_EQ(wrong, 0);
}

// Random pixels in runs, so that a compressed layout holds runs of both kinds.
Picture random_runs(std::mt19937 &random, int width, int height, int bits) {
  Picture picture(height, std::vector<std::uint8_t>(width));
  for (auto &row : picture)
    for (int x = 0; x < width; ++x)
      row[x] = x > 0 && random() % 3 ? row[x - 1] : std::uint8_t(random() % (1u << bits));
  return picture;
}

// Rows as stored uncompressed: bottom-up (top-down when the height is negative), each padded to
// 4 bytes.
Bytes stored_rows(const Picture &picture, int bits, bool top_down) {
  Bytes bytes;
  for (std::size_t i = 0; i < picture.size(); ++i) {
    const auto &row = picture[top_down ? i : picture.size() - 1 - i];
    std::size_t start = bytes.size();
    for (std::size_t x = 0; x < row.size(); ++x)
      if (bits == 8)
        bytes.push_back(row[x]);
      else if (x % 2 == 0)
        bytes.push_back(std::uint8_t(row[x] << 4));
      else
        bytes.back() |= row[x];
    bytes.resize(start + (bytes.size() - start + 3) / 4 * 4);
  }
  return bytes;
}

// A bitmap of each layout the converter reads, at 4 and at 8 bits: its picture is the GBA's.
TEST(Picture, BitmapsOfEveryLayoutAreTheGbaScreen) {
  std::mt19937 random(11);
  struct Layout {
    const char *name;
    std::uint32_t header_size;
    bool top_down, rle, short_table, gap;
  };
  const Layout layouts[] = {{"classic", 40, false, false, false, false},
                            {"top-down", 40, true, false, false, false},
                            {"compressed", 40, false, true, false, false},
                            {"short table", 40, false, false, true, false},
                            {"gap before the pixels", 40, false, false, false, true},
                            {"OS/2 1.x", 12, false, false, false, false},
                            {"OS/2 2.x", 64, false, false, false, false},
                            {"V4", 108, false, false, false, false},
                            {"V5", 124, true, false, false, false}};
  for (const Layout &layout : layouts)
    for (int bits : {4, 8}) {
      SCOPED_TRACE(std::string(layout.name) + " at " + std::to_string(bits) + " bits");
      int width = 8 * (1 + random() % 30), height = 8 * (1 + random() % 20);
      Picture picture = random_runs(random, width, height, bits);
      BitmapFields fields;
      fields.width = width;
      fields.height = layout.top_down ? -height : height;
      fields.bits = std::uint16_t(bits);
      fields.header_size = layout.header_size;
      std::size_t entries = layout.short_table ? (1u << bits) - 3 : 1u << bits;
      fields.colours_used = layout.short_table ? std::uint32_t(entries) : 0;
      fields.table = random_bytes(random, (layout.header_size == 12 ? 3 : 4) * entries);
      fields.compression = layout.rle ? (bits == 8 ? 1 : 2) : 0;
      fields.pixel_data = layout.rle ? encode_rle(picture, unsigned(bits))
                                     : stored_rows(picture, bits, layout.top_down);
      if (layout.gap) {
        fields.pixel_offset = 14 + 40 + std::int64_t(fields.table.size()) + 12;
        fields.pixel_data.insert(fields.pixel_data.begin(), 12, 0xEE);
      }
      Bytes bmp = make_bitmap(fields);
      std::string why;
      Frame expected = expected_bitmap_frame(bmp, why);
      ASSERT_FALSE(expected.empty()) << why;

      ScratchDirectory dir;
      write_file(dir.file("b.bmp"), bmp);
      RunResult run = convert_and_draw(dir, {"b.bmp"}, {"b"});
      ASSERT_EQ(run.exit_status, 0) << run.printed_err;
      Png png = read_png(dir.file("out.png"));
      ASSERT_EQ(png.width, width);
      ASSERT_EQ(png.height, height);
      int wrong = 0;
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
          wrong += png.pixels[y * width + x] != expected[y * screen_width + x];
      EXPECT_EQ(wrong, 0);
    }
}

// The files the refusals start from: the castle's and a bitmap's outputs, and an earlier picture.
struct RefusalSetup {
  ScratchDirectory dir;
  std::string map, sheet, palette, bitmap;
  Bytes earlier = {0x89, 'P', 'N', 'G', ' ', 'e', 'a', 'r', 'l', 'i', 'e', 'r'};
  RefusalSetup() {
    for (const char *sample : {"castle_map.scr", "castle_tiles.cgx", "castle_colours.col",
                               "ship16.bmp", "sunset256.bmp"}) {
      write_file(dir.file(sample),
                 read_file(std::string(MORVANE_SOURCE_DIR) + "/samples/" + sample));
      EXPECT_EQ(run_morvane({dir.file(sample)}).exit_status, 0);
    }
    map = read_text(dir.file("castle_map.c"));
    sheet = read_text(dir.file("castle_tiles.c"));
    palette = read_text(dir.file("castle_colours.c"));
    bitmap = read_text(dir.file("ship16.c"));
    write_file(dir.file("out.png"), earlier);
  }
};

std::string replaced(std::string text, const std::string &from, const std::string &to) {
  std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// Each refusal: its one line naming the file at fault and why, exit status 1, nothing on
// standard output, the earlier picture as it was and nothing else left behind.
TEST(Picture, RefusalsLeaveTheEarlierPicture) {
  RefusalSetup setup;
  const std::string &map = setup.map, &bitmap = setup.bitmap;
  struct Case {
    std::vector<std::pair<std::string, std::string>> files; // written as NAME: TEXT
    std::vector<std::string> arguments;                     // after "--picture"
    std::string message;
  };
  const std::string &sheet = setup.sheet, &palette = setup.palette;
  const Case cases[] = {
      {{{"x.c", "int main(void) { return 0; }\n"}},
       {"out.png", "x.c"},
       "x.c: line 1 is no line Morvane writes"},
      {{{"x.c", ""}}, {"out.png", "x.c"}, "x.c: holds no array Morvane writes"},
      {{{"x.c", sheet.substr(0, sheet.size() / 2)}, {"p.c", palette}},
       {"out.png", "p.c", "x.c"},
       "x.c: line 4616: castle_tiles_sp[16384] is cut short after 8192 entries"},
      {{{"x.c", replaced(map, "0x2000", "0x20g0")}, {"t.c", sheet}, {"p.c", palette}},
       {"out.png", "x.c", "t.c", "p.c"},
       "x.c: line 13: castle_map_map[1024] holds what is no entry after 16 entries"},
      {{{"x.c", replaced(palette, "RGB( 0,", "RGB(32,")}},
       {"out.png", "x.c"},
       "x.c: line 10: castle_colours_pal[256] holds what is no entry after 0 entries"},
      {{{"x.c", replaced(map, "0x3800\r\n};", "0x3800,\r\n0x3800\r\n};")}},
       {"out.png", "x.c"},
       "x.c: line 295: castle_map_map[1024] is not closed by \"};\" after its entries"},
      {{{"x.c", replaced(map, "[1024]", "[1023]")}},
       {"out.png", "x.c"},
       "x.c: line 6: no array Morvane writes is declared so"},
      {{{"x.c", replaced(bitmap, "64 x 32", "64 x 40")}},
       {"out.png", "x.c"},
       "x.c: ship16_sp holds no 64 x 40 pixels of 4 bits"},
      {{{"x.c", replaced(bitmap, "64 x 32", "65536 x 65536")}},
       {"out.png", "x.c"},
       "x.c: ship16_sp holds no 65536 x 65536 pixels of 4 bits"},
      {{{"x.c", replaced(bitmap, "64 x 32", "64 x -9223372036854775808")}},
       {"out.png", "x.c"},
       "x.c: ship16_sp holds no 64 x 0 pixels of 4 bits"},
      {{{"x.c", replaced(bitmap, "ship16_sp", "boat_sp")}},
       {"out.png", "x.c"},
       "x.c: its arrays (ship16_pal  boat_sp) make no file Morvane writes"},
      {{{"m.c", map}, {"p.c", palette}},
       {"out.png", "m.c", "p.c"},
       "m.c: a screen map is drawn with a character sheet and a palette; no file given is a "
       "character sheet"},
      {{{"t.c", sheet}, {"m.c", map}},
       {"out.png", "t.c", "m.c"},
       "m.c: a screen map is drawn with a character sheet and a palette; no file given is a "
       "palette"},
      {{{"t.c", sheet}},
       {"out.png", "t.c"},
       "t.c: a character sheet is drawn with a palette; no file given is a palette"},
      {{{"a.c", bitmap}, {"b.c", bitmap}},
       {"out.png", "a.c", "b.c"},
       "a.c: a bitmap is drawn alone"},
      {{{"p.c", palette}, {"b.c", bitmap}},
       {"out.png", "p.c", "b.c"},
       "b.c: a bitmap is drawn alone"},
      {{{"p.c", palette}, {"q.c", palette}},
       {"out.png", "p.c", "q.c"},
       "q.c: a second palette: the files make one picture"},
      {{{"p.c", palette}}, {"out.txt", "p.c"}, "out.txt: is no .png file's name"},
      {{{"p.c", palette}},
       {"out.png", "p.c", "missing.c"},
       "missing.c: cannot open: No such file or directory"},
      {{{"p.c", palette}},
       {"no/out.png", "p.c"},
       "no/out.png: cannot enter its folder no: No such file or directory"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.message);
    ScratchDirectory dir;
    write_file(dir.file("out.png"), setup.earlier);
    std::vector<std::string> arguments = {"--picture"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    for (const auto &[name, text] : c.files)
      write_text_file(dir.file(name), text);
    auto before = directory_snapshot(dir.path);
    RunResult run = run_morvane(arguments, dir.path);
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.printed_err, "morvane: " + c.message + "\n");
    EXPECT_EQ(run.printed_out, "");
    EXPECT_EQ(directory_snapshot(dir.path), before);
  }
}

// A picture replaces an earlier one whole; too few arguments are a usage error, as for --build.
TEST(Picture, ReplacesAnEarlierPictureAndNeedsAFile) {
  RefusalSetup setup;
  RunResult run = run_morvane({"--picture", "OUT.PNG", "sunset256.c"}, setup.dir.path);
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.printed_out, "OUT.PNG: drawn, 128 x 64 pixels\n");
  EXPECT_EQ(read_png(setup.dir.file("OUT.PNG")).width, 128);
  run = run_morvane({"--picture", "out.png", "ship16.c"}, setup.dir.path);
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_NE(read_file(setup.dir.file("out.png")), setup.earlier);
  run = run_morvane({"--picture", "out.png"}, setup.dir.path);
  EXPECT_EQ(run.exit_status, 2);
  EXPECT_EQ(run.printed_err, "usage: morvane --picture OUT.png FILE.c ...\n");
  run = run_morvane({"--help"}, setup.dir.path);
  EXPECT_NE(run.printed_out.find("\nmorvane --picture OUT.png FILE.c ... draws"),
            std::string::npos);
}

// The README's example of a refusal, run as printed on the samples' outputs: the very line it
// shows.
TEST(Picture, TheReadmesRefusalIsWhatTheProgramSays) {
  RefusalSetup setup;
  std::string readme = read_text(MORVANE_SOURCE_DIR "/README.md");
  std::size_t command = readme.find("\n$ morvane --picture ");
  ASSERT_NE(command, std::string::npos);
  std::size_t said = readme.find('\n', command + 1) + 1;
  std::string words = readme.substr(command + 11, said - command - 12), word;
  std::vector<std::string> arguments;
  for (std::istringstream split(words); split >> word;)
    arguments.push_back(word);
  RunResult run = run_morvane(arguments, setup.dir.path);
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.printed_err, readme.substr(said, readme.find('\n', said) + 1 - said));
}

} // namespace
