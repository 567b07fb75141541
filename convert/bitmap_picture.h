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

// Where a bitmap's parts lie in its file, as its headers tell.
struct BitmapLayout {
  std::uint64_t table_start;
  std::size_t table_entries; // entries stored in the file
  std::size_t entry_bytes;   // 4, or 3 in an OS/2 1.x table
  std::uint64_t pixel_start;
  bool rle;
  std::size_t usable_bytes; // how many of the file's first bytes the picture can use
};

// Reads and checks the headers, from the first size bytes of a file of file_size bytes (54 hold
// every field read), into the picture's shape and the layout. ResultSuccess, or the result that
// stops the conversion before any of the rest is read, with its reason.
ConversionOutcome read_bitmap_header(const unsigned char *bytes, std::size_t size,
                                     std::uint64_t file_size, BitmapPicture &picture,
                                     BitmapLayout &layout);

// Reads and checks the colour table and the rows the layout places, from the first size bytes of
// the file (its usable bytes, or all it holds), which must outlive the picture's use.
ConversionOutcome read_bitmap_parts(const unsigned char *bytes, std::size_t size,
                                    const BitmapLayout &layout, BitmapPicture &picture);

// Both, from the first size bytes of a file that holds no more: ResultSuccess with picture filled
// in, or the result that stops the conversion, with its reason: ResultReadFailed,
// ResultNotIndexedBitmap or ResultSizeNotMultipleOf8.
ConversionOutcome parse_bitmap(const unsigned char *bytes, std::size_t size,
                               BitmapPicture &picture);
