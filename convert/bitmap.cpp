// The bitmap converter: holds the part of the file its picture can use, parses it, then writes
// it.
#include "convert/bitmap.h"

#include "convert/bitmap_picture.h"
#include "convert/bitmap_text.h"
#include "convert/common/output.h"
#include "platform/platform.h"

namespace {

// Reads the headers of the open file, then holds the part of it that the picture can use and
// reads the colour table and the rows from it.
ConversionOutcome read_open_bitmap(SourceFile source, SourceBytes &bytes, BitmapPicture &picture) {
  // The 14-byte file header and the 40 header bytes that hold every field read.
  unsigned char header[54];
  long long header_read = read_source(source, 0, header, sizeof header);
  if (header_read < 0)
    return failed_in_system(ResultReadFailed, "cannot read");
  long long file_size = source_size(source);
  if (file_size < 0)
    return failed_in_system(ResultReadFailed, "cannot tell its size");
  BitmapLayout layout;
  ConversionOutcome read =
      read_bitmap_header(header, static_cast<std::size_t>(header_read),
                         static_cast<std::uint64_t>(file_size), picture, layout);
  if (read.result != ResultSuccess)
    return read;
  std::size_t size = layout.usable_bytes;
  SourceHold hold = hold_source_bytes(source, size, bytes);
  if (hold == SourceHold::no_memory)
    return failed(ResultReadFailed, "no memory for its %zu bytes", size);
  if (hold == SourceHold::unreadable)
    return failed_in_system(ResultReadFailed, "cannot read");
  // Bytes the file no longer held when they were read, or lost while they were parsed, read as
  // zeros: what is made of them is not the file's.
  ConversionOutcome parsed = read_bitmap_parts(bytes.data, bytes.size, layout, picture);
  if (!source_bytes_whole(bytes))
    return failed(ResultReadFailed, "the file was cut short while it was read");
  return parsed;
}

} // namespace

ConversionOutcome convert_bitmap() {
  // The source's bytes are held until the text is written: its pixels may lie in them.
  SourceBytes bytes;
  BitmapPicture picture;
  SourceFile source;
  if (!open_source(SourcePath, SourceSharing::none, &source))
    return failed_in_system(ResultReadFailed, "cannot open");
  ConversionOutcome read = read_open_bitmap(source, bytes, picture);
  close_source(source);
  if (read.result != ResultSuccess)
    return read;
  return write_output(source.identity, [&](TextWriter &text) {
    write_bitmap_text(text, SourcePath, picture);
    // Text made from pixels the file lost meanwhile is not output.
    return source_bytes_whole(bytes)
               ? succeeded()
               : failed(ResultReadFailed, "the file was cut short while it was converted");
  });
}
