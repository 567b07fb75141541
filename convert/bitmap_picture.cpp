// Reading and checking a bitmap's picture from its file's bytes.
#include "convert/bitmap_picture.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "convert/bitmap_rle.h"

namespace {

// The size of the information header, at byte 14, tells its kind. OS/2 1.x core header: 16-bit
// width and height, a table of 3-byte entries.
constexpr std::uint32_t CoreHeaderSize = 12;
// Windows' classic header, whose first 40 bytes the longer Windows headers share.
constexpr std::uint32_t InfoHeaderSize = 40;
constexpr std::uint32_t V4HeaderSize = 108;
constexpr std::uint32_t V5HeaderSize = 124;
// OS/2 2.x: laid out as the classic header for its first 40 bytes, 64 bytes long, or ended early
// after any of its fields, those it leaves out being 0. At 40 bytes it is read as the classic one.
constexpr std::uint32_t Os2FieldEnds[] = {16, 20, 24, 28, 32, 36, 42, 44, 46, 48, 52, 56, 60, 64};
// The 14-byte file header and the 40 header bytes that hold every field read.
constexpr std::size_t HeaderBytes = 54;
// The 14-byte file header and the 12-byte core header.
constexpr std::size_t CoreHeaderBytes = 26;
constexpr std::uint32_t CompressionRle8 = 1;
constexpr std::uint32_t CompressionRle4 = 2;
// Compressions that only OS/2 2.x names with these values (Windows means others by them).
constexpr std::uint32_t CompressionHuffman1d = 3;
constexpr std::uint32_t CompressionRle24 = 4;
// Sizes whose height x width x bits reaches this are refused.
constexpr std::uint64_t BitLimit = std::uint64_t{1} << 31;

std::uint32_t read_u32(const unsigned char *bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::uint16_t read_u16(const unsigned char *bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

// The fields every header kind gives, as the reading uses them.
struct BitmapHeader {
  std::uint32_t pixel_offset;
  std::int32_t width;
  std::int32_t height;
  unsigned bits;
  std::uint32_t compression;
  std::uint32_t colours_used;
  std::uint64_t table_start; // straight after the information header
  std::size_t entry_bytes;   // 4, or 3 in an OS/2 1.x table
  bool os2;                  // an OS/2 2.x header
};

// The parts of a bitmap file that a file cut short can stop in.
enum class FilePart { headers, colour_table, pixel_data };

// The file, or the part of it given, is size bytes and stops in part, which lies at bytes from
// to end - 1; in the pixel data, which start at from, end - size bytes are missing.
ConversionOutcome cut_short_in(std::uint64_t size, FilePart part, std::uint64_t from,
                               std::uint64_t end) {
  auto number = [](std::uint64_t n) { return static_cast<unsigned long long>(n); };
  if (part == FilePart::pixel_data)
    return failed(ResultReadFailed,
                  "the file is %llu bytes, cut short in the pixel data from offset %llu (%llu "
                  "byte%s missing)",
                  number(size), number(from), number(end - size), end - size == 1 ? "" : "s");
  return failed(ResultReadFailed, "the file is %llu bytes, cut short in %s (bytes %llu to %llu)",
                number(size), part == FilePart::headers ? "the headers" : "the colour table",
                number(from), number(end - 1));
}

// Reads the header of the kind its size field names from the first size bytes of the file.
ConversionOutcome read_header(const unsigned char *bytes, std::size_t size, BitmapHeader &header) {
  if (size < 18)
    return cut_short_in(size, FilePart::headers, 0, 18);
  std::uint32_t header_size = read_u32(bytes + 14);
  header.pixel_offset = read_u32(bytes + 10);
  header.table_start = 14 + std::uint64_t{header_size};
  if (header_size == CoreHeaderSize) {
    if (size < CoreHeaderBytes)
      return cut_short_in(size, FilePart::headers, 0, CoreHeaderBytes);
    header.width = read_u16(bytes + 18);
    header.height = read_u16(bytes + 20);
    header.bits = read_u16(bytes + 24);
    header.compression = 0;
    header.colours_used = 0;
    header.entry_bytes = 3;
    header.os2 = false;
    return succeeded();
  }
  header.os2 = std::find(std::begin(Os2FieldEnds), std::end(Os2FieldEnds), header_size) !=
               std::end(Os2FieldEnds);
  // Any other size is no layout this reads: the fields cannot be told from guessed offsets.
  if (!header.os2 && header_size != InfoHeaderSize && header_size != V4HeaderSize &&
      header_size != V5HeaderSize)
    return failed(ResultReadFailed, "an information header of %lu bytes is no layout known",
                  static_cast<unsigned long>(header_size));
  unsigned char fields[HeaderBytes] = {};
  std::size_t present = 14 + std::min<std::size_t>(header_size, InfoHeaderSize);
  if (size < present)
    return cut_short_in(size, FilePart::headers, 0, present);
  std::memcpy(fields, bytes, present);
  header.width = static_cast<std::int32_t>(read_u32(fields + 18));
  header.height = static_cast<std::int32_t>(read_u32(fields + 22));
  header.bits = read_u16(fields + 28);
  header.compression = read_u32(fields + 30);
  header.colours_used = read_u32(fields + 46);
  header.entry_bytes = 4;
  return succeeded();
}

// Where the table and the pixels of a file of file_size bytes lie.
BitmapLayout find_layout(const BitmapHeader &header, std::uint64_t file_size) {
  std::size_t full_entries = std::size_t{1} << header.bits;
  BitmapLayout layout;
  layout.table_start = header.table_start;
  layout.entry_bytes = header.entry_bytes;
  layout.table_entries = full_entries;
  layout.rle = (header.compression == CompressionRle8 && header.bits == 8) ||
               (header.compression == CompressionRle4 && header.bits == 4);
  std::uint64_t table_end = layout.table_start + layout.entry_bytes * full_entries;
  std::uint64_t offset = header.pixel_offset;
  // A short table is only believed when the pixel-data offset confirms it.
  if (header.colours_used >= 1 && header.colours_used < full_entries &&
      offset == layout.table_start + layout.entry_bytes * header.colours_used)
    layout.table_entries = header.colours_used;
  layout.pixel_start = layout.table_start + layout.entry_bytes * layout.table_entries;
  // An offset past the full table (a longer table, or a gap) that names a byte of the file is
  // where the pixels start; a file that does not hold them all after it is cut short. An offset
  // inside the table, or at or past the file's end, can be no file's own: the pixels then follow
  // the table.
  if (offset >= table_end && offset < file_size)
    layout.pixel_start = offset;
  return layout;
}

// Names the width, the height or both, whichever is not a multiple of 8.
ConversionOutcome size_not_multiple_of_8(const BitmapPicture &picture) {
  if (picture.width % 8 == 0)
    return failed(ResultSizeNotMultipleOf8, "height %d is not a multiple of 8", picture.height);
  if (picture.height % 8 == 0)
    return failed(ResultSizeNotMultipleOf8, "width %d is not a multiple of 8", picture.width);
  return failed(ResultSizeNotMultipleOf8, "width %d and height %d are not multiples of 8",
                picture.width, picture.height);
}

// Fills in the picture's shape from the header and checks it.
ConversionOutcome read_shape(const BitmapHeader &header, BitmapPicture &picture) {
  picture.width = header.width;
  picture.height = header.height;
  picture.bits = header.bits;
  picture.colours_used = header.colours_used;
  if (picture.bits != 4 && picture.bits != 8)
    return failed(ResultNotIndexedBitmap, "%u bits per pixel, not 4 or 8", picture.bits);
  if (picture.height % 8 != 0 || picture.width % 8 != 0)
    return size_not_multiple_of_8(picture);
  if (header.os2 && header.compression == CompressionHuffman1d)
    return failed(ResultReadFailed, "compression 3, OS/2's Huffman 1D, is not read");
  if (header.os2 && header.compression == CompressionRle24)
    return failed(ResultReadFailed, "compression 4, OS/2's RLE24, is not read");
  // A negative width (mirrored rows) is no layout any tool writes.
  if (picture.width < 0)
    return failed(ResultReadFailed, "width %d: mirrored rows are not read", picture.width);
  std::uint64_t row_count = picture.height < 0 ? 0 - std::int64_t{picture.height} : picture.height;
  std::uint64_t row_bits = std::uint64_t{static_cast<std::uint32_t>(picture.width)} * picture.bits;
  if (row_bits != 0 && row_count > (BitLimit - 1) / row_bits)
    return failed(ResultReadFailed, "%d x %d pixels of %u bits are too many", picture.width,
                  picture.height, picture.bits);
  picture.row_count = static_cast<std::size_t>(row_count);
  picture.row_bytes = static_cast<std::size_t>(row_bits / 8);
  return succeeded();
}

// The longest stream a picture can need: every pixel its own 2-byte run (no command sets a
// pixel for less), an end of line after every row and the end of the bitmap, with room for an
// encoder's odd extra command or padding. Nothing past it is read, so a long file costs no
// memory; a stream that goes on beyond it is refused.
std::uint64_t longest_rle_stream(const BitmapPicture &picture) {
  constexpr std::uint64_t Slack = 4096;
  std::uint64_t pixel_count =
      std::uint64_t{static_cast<std::uint32_t>(picture.width)} * picture.row_count;
  return 2 * pixel_count + 2 * std::uint64_t{picture.row_count} + 2 + Slack;
}

// How many bytes from the start of the file the picture can use: past them nothing is read.
std::uint64_t bytes_used(const BitmapPicture &picture, const BitmapLayout &layout) {
  return layout.pixel_start + (layout.rle ? longest_rle_stream(picture)
                                          : std::uint64_t{picture.row_bytes} * picture.row_count);
}

// Decodes the compressed stream, checked whole before the pixel buffer exists: a picture larger
// than the stream can describe (a 2-byte run sets at most 255 pixels) is refused rather than
// allocated.
bool decode_rle_pixels(const unsigned char *stream, std::size_t length, BitmapPicture &picture) {
  std::size_t width = static_cast<std::size_t>(picture.width);
  std::size_t used = decode_rle(stream, length, picture.bits, width, picture.row_count, nullptr);
  std::uint64_t pixel_count = std::uint64_t{width} * picture.row_count;
  if (used == 0 || 2 * pixel_count > 255 * std::uint64_t{used})
    return false;
  std::size_t size = picture.row_bytes * picture.row_count;
  picture.decoded.reset(new (std::nothrow) unsigned char[size]());
  return picture.decoded && decode_rle(stream, used, picture.bits, width, picture.row_count,
                                       picture.decoded.get()) == used;
}

// Finds the bottom row among the rows stored from first: the first of them, or for a top-down
// file the last, the walk then stepping back to the top.
void place_rows(const unsigned char *first, BitmapPicture &picture) {
  auto row_bytes = static_cast<std::ptrdiff_t>(picture.row_bytes);
  bool top_down = picture.height < 0;
  picture.bottom_row =
      top_down ? first + static_cast<std::ptrdiff_t>(picture.row_count - 1) * row_bytes : first;
  picture.row_step = top_down ? -row_bytes : row_bytes;
}

// The refusal of a file, or the part of it given, of size bytes where the picture needs end
// bytes, naming the part it stops in.
ConversionOutcome cut_short(std::uint64_t size, const BitmapLayout &layout, std::uint64_t end) {
  if (size < layout.table_start)
    return cut_short_in(size, FilePart::headers, 0, layout.table_start);
  if (size < layout.pixel_start)
    return cut_short_in(size, FilePart::colour_table, layout.table_start, layout.pixel_start);
  return cut_short_in(size, FilePart::pixel_data, layout.pixel_start, end);
}

} // namespace

ConversionOutcome read_bitmap_header(const unsigned char *bytes, std::size_t size,
                                     std::uint64_t file_size, BitmapPicture &picture,
                                     BitmapLayout &layout) {
  BitmapHeader header = {};
  ConversionOutcome read = read_header(bytes, size, header);
  if (read.result != ResultSuccess)
    return read;
  ConversionOutcome shape = read_shape(header, picture);
  if (shape.result != ResultSuccess)
    return shape;
  layout = find_layout(header, file_size);
  std::uint64_t used = bytes_used(picture, layout);
  // An uncompressed file that does not hold every pixel byte is refused before anything is
  // allocated for them.
  if (!layout.rle && file_size < used)
    return cut_short(file_size, layout, used);
  if (used > SIZE_MAX)
    return failed(ResultReadFailed, "its %llu bytes do not fit in memory",
                  static_cast<unsigned long long>(used));
  layout.usable_bytes = static_cast<std::size_t>(std::min(file_size, used));
  return succeeded();
}

ConversionOutcome read_bitmap_parts(const unsigned char *bytes, std::size_t size,
                                    const BitmapLayout &layout, BitmapPicture &picture) {
  // Only what the picture can use counts: a longer file, or padding after the stream, is not
  // looked at.
  size = std::min(size, layout.usable_bytes);
  std::uint64_t table_end = layout.table_start + layout.entry_bytes * layout.table_entries;
  if (table_end > size)
    return cut_short(size, layout, table_end);
  // Entries a short table does not hold are black, and so is the unused fourth byte of each
  // 3-byte entry.
  std::fill(std::begin(picture.colour_table), std::end(picture.colour_table), 0);
  for (std::size_t i = 0; i < layout.table_entries; ++i)
    std::memcpy(picture.colour_table + 4 * i, bytes + layout.table_start + layout.entry_bytes * i,
                layout.entry_bytes);

  if (layout.pixel_start > size)
    return cut_short(size, layout, layout.pixel_start);
  std::size_t start = static_cast<std::size_t>(layout.pixel_start);
  if (layout.rle) {
    if (start == size)
      return failed(ResultReadFailed, "the file is %zu bytes, with no compressed pixel data", size);
    if (!decode_rle_pixels(bytes + start, size - start, picture))
      return failed(ResultReadFailed,
                    "the compressed pixel data from byte %zu is damaged or too short", start);
    place_rows(picture.decoded.get(), picture);
  } else {
    // The file must hold every pixel byte the tile walk uses.
    if (size - start < picture.row_bytes * picture.row_count)
      return cut_short(size, layout, start + std::uint64_t{picture.row_bytes} * picture.row_count);
    place_rows(bytes + start, picture);
  }
  return succeeded();
}

ConversionOutcome parse_bitmap(const unsigned char *bytes, std::size_t size,
                               BitmapPicture &picture) {
  BitmapLayout layout;
  ConversionOutcome header = read_bitmap_header(bytes, size, size, picture, layout);
  if (header.result != ResultSuccess)
    return header;
  return read_bitmap_parts(bytes, size, layout, picture);
}
