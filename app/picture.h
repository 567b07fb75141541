// --picture: the reader of the C text Morvane writes (picture_reader.cpp), which finds one file's
// arrays by the names and sizes the converters give them, and the drawer (picture_drawing.cpp),
// which draws what the GBA shows from them and writes it as a PNG.
#pragma once

#include <cstdint>
#include <vector>

#include "convert/common/conversion.h"

enum class PictureFileKind { palette, screen_map, sheet, bitmap };

struct PictureFile {
  PictureFileKind kind;
  std::vector<std::uint16_t> palette; // NAME_pal: 256 colours, or 16 for a 4-bit bitmap
  std::vector<std::uint16_t> values;  // NAME_map, or NAME_sp: tiles of 8 x 8 pixels in order
  int width = 0, height = 0;          // a bitmap's pixels, from its "W x H pixels" comment
};

// Reads the size bytes of one file (CR LF or LF line ends). ResultSuccess with file filled in, or
// ResultReadFailed with a reason naming what is missing or wrong.
ConversionOutcome read_picture_file(const char *text, std::size_t size, PictureFile &file);

// 8-bit red, green and blue a pixel, rows from the top.
struct DrawnPicture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
};

// Draws the one picture the files make together: a bitmap alone; a screen map with its sheet and
// palette; a sheet and a palette; a palette alone. ResultSuccess, or a refusal whose reason is of
// files[culprit] (culprit is not set on success).
ConversionOutcome draw_picture(const std::vector<PictureFile> &files, DrawnPicture &picture,
                               std::size_t &culprit);

// The command line "morvane --picture OUT.png FILE.c...", given the count (2 or more) arguments
// after the option: its exit status.
int picture_command(int count, char **arguments);
