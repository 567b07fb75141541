// Drawing what the GBA shows from the arrays Morvane wrote, and writing it out as a PNG.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/picture_reader.h"

// 8-bit red, green and blue a pixel, rows from the top.
struct DrawnPicture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
};

// Draws the one picture the files make together: a bitmap alone; a screen map with its sheet and
// palette; a sheet and a palette; a palette alone. ResultSuccess, or a refusal whose reason is of
// files[culprit].
ConversionOutcome draw_picture(const std::vector<PictureFile> &files, DrawnPicture &picture,
                               std::size_t &culprit);

// Writes the picture as a PNG at path, whole or not at all: an earlier file there is replaced only
// once the new one is complete. The working directory becomes path's directory.
ConversionOutcome write_picture(const DrawnPicture &picture, const char *path);
