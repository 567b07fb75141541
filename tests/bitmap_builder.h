// Pictures of pixel indices for the bitmap tests, packed into bitmap files, and the text their
// conversion should give.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bitmap_file.h"
#include "support.h"

// Converts path with the real program; the one line it printed, on whichever stream.
inline std::string outcome_line(const std::string &path) {
  RunResult run = run_morvane({path});
  EXPECT_EQ(run.exit_status, 0);
  return run.out + run.err;
}

// Stores bitmap as dir/name.bmp, removes an earlier dir/name.c, and converts it with the real
// program, which must print expected_line; the output text, or "" when there is none.
inline std::string converted_text(const ScratchDirectory &dir, const std::string &name,
                                  const Bytes &bitmap, const char *expected_line = SuccessLine) {
  write_file(dir.file(name + ".bmp"), bitmap);
  std::remove(dir.file(name + ".c").c_str());
  EXPECT_EQ(outcome_line(dir.file(name + ".bmp")), expected_line) << name;
  return file_exists(dir.file(name + ".c")) ? read_text(dir.file(name + ".c")) : "";
}

// A table of count entries, each byte different, so a misplaced entry or component shows.
inline Bytes colour_table(std::size_t count) {
  Bytes table;
  for (std::size_t i = 0; i < count; ++i) {
    table.push_back(static_cast<std::uint8_t>(255 - i * 8)); // blue
    table.push_back(static_cast<std::uint8_t>(i * 5 + 16));  // green
    table.push_back(static_cast<std::uint8_t>(i * 8 + 7));   // red
    table.push_back(static_cast<std::uint8_t>(0xA5));        // reserved, never used
  }
  return table;
}

// The same table as an OS/2 1.x core header stores it: blue, green, red, no reserved byte.
inline Bytes core_table(const Bytes &table) {
  Bytes core;
  for (std::size_t i = 0; i < table.size(); ++i)
    if (i % 4 != 3)
      core.push_back(table[i]);
  return core;
}

// A picture where every pixel depends on its place, so a moved, mirrored or swapped pixel shows.
inline Picture pattern_picture(int width, int height, unsigned bits) {
  Picture picture(static_cast<std::size_t>(height), std::vector<std::uint8_t>(width));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      picture[y][x] = static_cast<std::uint8_t>((x * 7 + y * 13 + x * y) % (1u << bits));
  return picture;
}

inline Bytes pack_row(const std::vector<std::uint8_t> &row, unsigned bits) {
  Bytes bytes;
  for (std::size_t x = 0; x < row.size(); x += bits == 8 ? 1 : 2)
    bytes.push_back(bits == 8 ? row[x] : static_cast<std::uint8_t>(row[x] << 4 | row[x + 1]));
  return bytes;
}

// Uncompressed pixel data, bottom-up unless top_down.
inline Bytes pack_rows(const Picture &picture, unsigned bits, bool top_down = false) {
  Bytes bytes;
  for (std::size_t i = 0; i < picture.size(); ++i) {
    Bytes row = pack_row(picture[top_down ? i : picture.size() - 1 - i], bits);
    bytes.insert(bytes.end(), row.begin(), row.end());
  }
  return bytes;
}

inline std::string hex4(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04x", value);
  return text;
}

// The tile array's body as it should be written: tiles from the top band down and left to
// right, each a header and eight lines of values with the picture's leftmost pixel lowest.
inline std::string expected_tiles(const Picture &picture, unsigned bits) {
  std::vector<std::string> lines;
  int tile = 0;
  std::size_t per_value = bits == 8 ? 2 : 4;
  for (std::size_t top = 0; top < picture.size(); top += 8) {
    for (std::size_t left = 0; left < picture[0].size(); left += 8) {
      lines.push_back("// \xB7\xAC\xD7\xB8\xC0 No." + std::to_string(tile) + " (" + hex4(tile) +
                      ")");
      ++tile;
      for (std::size_t y = top; y < top + 8; ++y) {
        std::string line;
        for (std::size_t x = left; x < left + 8; x += per_value) {
          unsigned value = 0;
          for (std::size_t k = 0; k < per_value; ++k)
            value |= unsigned{picture[y][x + k]} << (k * bits);
          line += hex4(value) + ", ";
        }
        lines.push_back(line);
      }
    }
  }
  std::string text;
  for (const std::string &line : lines)
    text += line + "\r\n";
  // The array's last value is followed by neither ", " nor a line end.
  if (!lines.empty())
    text.resize(text.size() - 4);
  return text;
}

inline std::string component(unsigned value) {
  // Appended rather than " " + ...: GCC 12 warns falsely (-Wrestrict) on that form at -O2.
  std::string text = value < 10 ? " " : "";
  return text += std::to_string(value);
}

// The palette array's lines as they should be written, from a full table as stored.
inline std::string expected_palette(const std::string &base, const Bytes &table, unsigned bits,
                                    std::uint32_t colours_used) {
  unsigned count = 1u << bits;
  std::string text = "const u16 " + base + "_pal[" + std::to_string(count) + "] =\r\n{\r\n";
  for (unsigned i = 0; i < count; ++i) {
    if (i % 16 == 0)
      text += "/*\t\xCA\xDF\xDA\xAF\xC4 No." + std::to_string(i / 16) + "\t*/\r\n";
    bool black = colours_used != 0 && i >= colours_used;
    text += "RGB(";
    for (int byte : {2, 1, 0})
      text += component(black ? 0 : table[4 * i + byte] >> 3) + (byte == 0 ? ")" : ",");
    if (i + 1 < count)
      text += i % 4 == 3 ? ",\r\n" : ",";
  }
  return text + "\r\n};\r\n\r\n";
}

// The whole output of a bitmap, its comments printing the header's numbers as signed ones.
inline std::string expected_output(const std::string &base, const Picture &picture,
                                   const Bytes &table, unsigned bits, std::uint32_t colours_used,
                                   std::int32_t width, std::int32_t height) {
  std::size_t elements = picture.size() * (picture.empty() ? 0 : picture[0].size()) * bits / 16;
  std::string used =
      std::to_string(static_cast<std::int32_t>(colours_used != 0 ? colours_used : 1u << bits));
  return "#define RGB(r,g,b) (r|(g<<5)|(b<<10))\r\n\r\n"
         "// typedef unsigned short u16\r\n\r\n"
         "// Halvetrin v1.11\tby zelmor\r\n\r\n"
         "/* used " +
         used + " color for " + std::to_string(bits) + "bit color */\r\n" +
         expected_palette(base, table, bits, colours_used) + "/* " + std::to_string(width) + " x " +
         std::to_string(height) + " pixels */\r\nconst u16 " + base + "_sp[" +
         std::to_string(elements) + "]=\r\n{\r\n" + expected_tiles(picture, bits) + "\r\n};\r\n";
}

// A classic bitmap of picture: 40-byte header, full table, bottom-up rows.
inline BitmapFields classic_spec(const Picture &picture, unsigned bits) {
  BitmapFields fields;
  fields.width = static_cast<std::int32_t>(picture.empty() ? 0 : picture[0].size());
  fields.height = static_cast<std::int32_t>(picture.size());
  fields.bits = static_cast<std::uint16_t>(bits);
  fields.table = colour_table(std::size_t{1} << bits);
  fields.pixel_data = pack_rows(picture, bits);
  return fields;
}
