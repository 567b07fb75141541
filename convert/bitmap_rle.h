// Decoding the run-length compressed pixel data of 4-bit (RLE4) and 8-bit (RLE8) bitmaps.
#pragma once

#include <cstddef>

// Decodes stream into rows stored bottom-up in the order the stream gives them, row_count rows
// of width pixels at bits (4 or 8) per pixel, into pixels, which must hold row_count rows of
// width * bits / 8 bytes and be all zero. With pixels null the stream is only checked.
// Returns the count of stream bytes up to and including the end-of-bitmap mark, or 0 when the
// stream is corrupt: it ends before that mark, or a run or delta leaves the row or the bitmap.
std::size_t decode_rle(const unsigned char *stream, std::size_t length, unsigned bits,
                       std::size_t width, std::size_t row_count, unsigned char *pixels);
