// The bitmap's text where its numbers grow long: tile numbers of five digits and more, and a
// colours-used field far past the 256 entries a table can have.
#include <gtest/gtest.h>

#include "bitmap_builder.h"

namespace {

TEST(BitmapText, TileNumbersPastTenThousand) {
  // 128 x 79 = 10,112 tiles: the numbers gain their fifth digit at tile 10,000.
  Picture picture = pattern_picture(1024, 632, 4);
  BitmapFields fields = classic_spec(picture, 4);
  ScratchDirectory dir;
  std::string text = converted_text(dir, "wide", make_bitmap(fields));
  EXPECT_TRUE(text == expected_output("wide", picture, fields.table, 4, 0, 1024, 632));
  EXPECT_NE(text.find("\r\n// \xB7\xAC\xD7\xB8\xC0 No.9999 (0x270f)\r\n"), text.npos);
  EXPECT_NE(text.find("\r\n// \xB7\xAC\xD7\xB8\xC0 No.10000 (0x2710)\r\n"), text.npos);
  EXPECT_NE(text.find("\r\n// \xB7\xAC\xD7\xB8\xC0 No.10111 (0x277f)\r\n"), text.npos);
}

// The comment prints the field as a signed 32-bit number, whatever it holds; the palette keeps
// every entry of the table, for none lies past the field.
TEST(BitmapText, ColoursUsedFarPast256) {
  ScratchDirectory dir;
  for (unsigned bits : {4u, 8u}) {
    Picture picture = pattern_picture(8, 8, bits);
    BitmapFields fields = classic_spec(picture, bits);
    for (std::uint32_t used : {257u, 1000u, 65536u, 1234567u, 0x7FFFFFFFu, 0x80000000u,
                               0xFFFFFFFFu}) {
      fields.colours_used = used;
      std::string name = "used" + std::to_string(used) + "x" + std::to_string(bits);
      std::string text = converted_text(dir, name, make_bitmap(fields));
      EXPECT_EQ(text, expected_output(name, picture, fields.table, bits, used, 8, 8));
      EXPECT_NE(text.find("/* used " + std::to_string(static_cast<std::int32_t>(used)) +
                          " color for " + std::to_string(bits) + "bit color */\r\n"),
                text.npos)
          << name;
    }
  }
}

} // namespace
