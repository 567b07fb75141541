// The fit between the two converters: a converted screen map picks out of the converted sheet
// the same picture that the screen file picks out of the character file.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "support.h"
#include "tile_decoding.h"

namespace {

// One screen cell as it appears: a palette (or bank) number and the 8 x 8 colour indices.
struct ScreenCell {
  int palette;
  CharacterPixels pixels;
  bool operator==(const ScreenCell &) const = default;
};

// What a screen file entry shows: character bits 0-9, palette bits 10-12, horizontal flip bit
// 14, vertical flip bit 15, all read straight from the character file.
ScreenCell source_cell(const Bytes &characters, std::uint16_t entry) {
  CharacterPixels pixels = planar_character(characters, entry & 0x3FF);
  return {(entry >> 10) & 7, flipped(pixels, entry & 0x4000, entry & 0x8000)};
}

// What a GBA text-background map entry shows: tile bits 0-9, horizontal flip bit 10, vertical
// flip bit 11, palette bank bits 12-15, read from the converted sheet.
ScreenCell converted_cell(const std::vector<TileValues> &sheet, std::uint16_t entry) {
  CharacterPixels pixels = gba_tile(sheet[entry & 0x3FF]);
  return {entry >> 12, flipped(pixels, entry & 0x0400, entry & 0x0800)};
}

Bytes screen_bytes(const Bytes &file) {
  Bytes bytes = file;
  bytes.resize(2048, 0);
  return bytes;
}

std::uint16_t entry_at(const Bytes &screen, int i) {
  return static_cast<std::uint16_t>(screen[2 * static_cast<std::size_t>(i)] |
                                    screen[2 * static_cast<std::size_t>(i) + 1] << 8);
}

// Converts both files with the real program and compares every cell of the screen.
void expect_same_picture(const std::string &directory, const std::string &character_name,
                         const std::string &screen_name) {
  std::string characters_base = character_name.substr(0, character_name.find('.'));
  std::string screen_base = screen_name.substr(0, screen_name.find('.'));
  ASSERT_EQ(run_morvane({directory + "/" + character_name}).out, SuccessLine);
  ASSERT_EQ(run_morvane({directory + "/" + screen_name}).out, SuccessLine);
  Bytes characters = read_file(directory + "/" + character_name);
  Bytes screen = screen_bytes(read_file(directory + "/" + screen_name));
  std::vector<TileValues> sheet = parse_sheet(read_text(directory + "/" + characters_base + ".c"));
  std::vector<std::uint16_t> map = parse_map(read_text(directory + "/" + screen_base + ".c"));
  ASSERT_EQ(sheet.size(), 1024u);
  ASSERT_EQ(map.size(), 1024u);
  for (int i = 0; i < 1024; ++i) {
    EXPECT_EQ(converted_cell(sheet, map[static_cast<std::size_t>(i)]),
              source_cell(characters, entry_at(screen, i)))
        << "screen row " << i / 32 << ", column " << i % 32;
  }
}

TEST(SheetFit, RandomScreensShowTheSamePictureOnTheConvertedSheet) {
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    Bytes characters(32768), screen(2048);
    for (std::uint8_t &byte : characters)
      byte = static_cast<std::uint8_t>(random());
    for (std::uint8_t &byte : screen)
      byte = static_cast<std::uint8_t>(random());
    ScratchDirectory dir;
    write_file(dir.file("sheet.cgx"), characters);
    write_file(dir.file("screen.scr"), screen);
    expect_same_picture(dir.path, "sheet.cgx", "screen.scr");
  }
}

// The shipped samples draw their picture the same way once converted.
TEST(SheetFit, TheSamplesShowTheSamePictureOnceConverted) {
  ScratchDirectory dir;
  const std::filesystem::path samples = std::filesystem::path(MORVANE_SOURCE_DIR) / "samples";
  for (const char *name : {"castle_tiles.cgx", "castle_map.scr", "castle_colours.col"})
    std::filesystem::copy_file(samples / name, dir.file(name));
  expect_same_picture(dir.path, "castle_tiles.cgx", "castle_map.scr");
  EXPECT_EQ(run_morvane({dir.file("castle_colours.col")}).out, SuccessLine);
  EXPECT_TRUE(file_exists(dir.file("castle_colours.c")));
}

} // namespace
