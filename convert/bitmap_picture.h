// The picture a bitmap holds: its shape, its colour table and its rows, read and checked from
// the file's bytes.
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

// How many of a file's first bytes the picture that its header describes can use, in used: past
// them nothing is read. header is the file's first header_size bytes (all there are, or at least
// 54), file_size its length. ResultSuccess, or the result that stops the conversion before
// anything is held, with its reason.
ConversionOutcome bitmap_bytes_used(const unsigned char *header, std::size_t header_size,
                                    std::uint64_t file_size, std::size_t *used);
