// The bitmap converter: a 4- or 8-bit BMP becomes a palette array and 8 x 8 tiles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "convert/common/conversion.h"

// A bitmap as read and checked: everything the text is written from.
struct BitmapPicture {
  std::int32_t width;  // as in the header
  std::int32_t height; // as in the header; negative when the file stores its rows top-down
  unsigned bits;       // 4 or 8
  std::uint32_t colours_used;
  unsigned char colour_table[1024]; // 256 entries of blue, green, red, reserved; unread ones 0
  std::size_t row_bytes;            // bytes per pixel row: width * bits / 8
  std::size_t row_count;            // pixel rows: the height's magnitude
  // The picture's bottom row (the first stored in a bottom-up file) and the step from a row to
  // the one above it, negative for a top-down file. The rows lie in the bytes parsed, or in
  // decoded for RLE.
  const unsigned char *bottom_row;
  std::ptrdiff_t row_step;
  std::unique_ptr<unsigned char[]> decoded;
};

// Reads and checks a bitmap from the first size bytes of its file, which must outlive the
// picture's use. ResultSuccess with picture filled in, or the result that stops the conversion,
// with its reason: ResultReadFailed, ResultNotIndexedBitmap or ResultSizeNotMultipleOf8.
ConversionOutcome parse_bitmap(const unsigned char *bytes, std::size_t size,
                               BitmapPicture &picture);

// Converts the bitmap named by SourcePath into base.c.
ConversionOutcome convert_bitmap();
