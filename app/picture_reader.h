// Reading back the C text Morvane writes: the arrays one file holds, found by the names and sizes
// the converters give them, and what kind of file they make.
#pragma once

#include <cstddef>
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

// Pictures past this many pixels are refused: their colours alone would fill a 32-bit address
// space.
constexpr std::uint64_t MostPicturePixels = std::uint64_t{1} << 28;

// Reads the size bytes of one file (CR LF or LF line ends). ResultSuccess with file filled in, or
// ResultReadFailed with a reason naming what is missing or wrong.
ConversionOutcome read_picture_file(const unsigned char *text, std::size_t size,
                                    PictureFile &file);
