// The bitmap converter: a 4- or 8-bit BMP becomes a palette array and 8 x 8 tiles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "convert/common/conversion.h"
#include "platform/platform.h"

// Gives a mapped source back.
struct SourceUnmapper {
  std::size_t size;
  void operator()(unsigned char *bytes) const { unmap_source(bytes, size); }
};

// A bitmap as read and checked: everything the text is written from.
struct BitmapPicture {
  std::int32_t width;  // as in the header
  std::int32_t height; // as in the header; negative when the file stores its rows top-down
  unsigned bits;       // 4 or 8
  std::uint32_t colours_used;
  unsigned char colour_table[1024]; // 256 entries of blue, green, red, reserved; unread ones 0
  std::size_t row_bytes;            // bytes per pixel row: width * bits / 8
  std::size_t row_count;            // pixel rows: the height's magnitude
  // row_count rows of row_bytes, always bottom-up: row 0 is the picture's bottom row. They lie
  // in the file's own bytes for an uncompressed bitmap (read into storage, or mapped), in
  // storage for RLE.
  unsigned char *pixels;
  std::unique_ptr<unsigned char[]> storage;
  std::unique_ptr<unsigned char[], SourceUnmapper> mapping;
};

// Reads and checks a bitmap from the first size bytes of its file, which picture takes over.
// ResultSuccess with picture filled in, or the result that stops the conversion, with its
// reason: ResultReadFailed, ResultNotIndexedBitmap or ResultSizeNotMultipleOf8.
ConversionOutcome read_bitmap(std::unique_ptr<unsigned char[]> bytes, std::size_t size,
                              BitmapPicture &picture);

// The same for the bitmap at path, of which it maps or reads in one piece no more than the
// picture its header describes can use.
ConversionOutcome read_bitmap_file(const char *path, BitmapPicture &picture);

// Converts the bitmap named by SourcePath into base.c.
ConversionOutcome convert_bitmap();
