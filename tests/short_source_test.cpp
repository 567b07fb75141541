// Sources shorter than their format, converted in-process with the memory under the converters
// made dirty first: whatever a short file does not hold counts as zero, never as what that
// memory held before. (A fresh process's stack is zero, so only a dirty one can show the fault.)
#include <gtest/gtest.h>

#include <cstring>

#include "app/dispatch.h"
#include "bitmap_builder.h"
#include "convert/bitmap_picture.h"
#include "convert/characters.h"
#include "convert/palette.h"
#include "convert/screen_map.h"

namespace {

// Fills the stack below the caller's frame with 0xFF bytes, where the next call's locals lie.
[[gnu::noinline]] void dirty_stack() {
  volatile unsigned char junk[1 << 18];
  for (volatile unsigned char &byte : junk)
    byte = 0xFF;
}

// Converts path in-process right after dirtying the stack; the output's text.
std::string convert_on_dirty_stack(ConversionOutcome (*convert)(), const std::string &path,
                                   const std::string &output) {
  EXPECT_TRUE(set_source_path(path.c_str()));
  dirty_stack();
  EXPECT_EQ(convert().result, ResultSuccess) << path;
  return read_text(output);
}

TEST(ShortSource, MissingBytesAreZeroWhateverMemoryHeld) {
  KeepWorkingDirectory keep;
  struct Kind {
    const char *extension;
    ConversionOutcome (*convert)();
    std::size_t full_size;
  };
  for (Kind kind : {Kind{".col", convert_palette, 512}, Kind{".scr", convert_screen_map, 2048},
                    Kind{".cgx", convert_characters, 32768}}) {
    // An odd count of bytes, so the last word is half in the file.
    Bytes cut(5, 0xFF);
    Bytes padded = cut;
    padded.resize(kind.full_size, 0);
    ScratchDirectory cut_dir, padded_dir;
    std::string name = std::string("cut") + kind.extension;
    write_file(cut_dir.file(name), cut);
    write_file(padded_dir.file(name), padded);
    // A full file of 0xFF bytes first, so that any buffer the converter keeps is dirty too.
    ScratchDirectory full_dir;
    write_file(full_dir.file(name), Bytes(kind.full_size, 0xFF));
    convert_on_dirty_stack(kind.convert, full_dir.file(name), full_dir.file("cut.c"));
    // The cut file straight after the full one, before anything else fills those buffers.
    std::string from_cut =
        convert_on_dirty_stack(kind.convert, cut_dir.file(name), cut_dir.file("cut.c"));
    EXPECT_EQ(from_cut,
              convert_on_dirty_stack(kind.convert, padded_dir.file(name), padded_dir.file("cut.c")))
        << kind.extension;
  }
}

// The entries past a short colour table are zero in the picture read, whatever it held.
TEST(ShortSource, ABitmapsShortColourTableLeavesTheRestZero) {
  BitmapFields fields = classic_spec(pattern_picture(8, 8, 8), 8);
  fields.colours_used = 3;
  fields.table.resize(4 * 3);
  Bytes bitmap = make_bitmap(fields);
  BitmapPicture picture;
  std::memset(picture.colour_table, 0xAA, sizeof picture.colour_table);
  ASSERT_EQ(parse_bitmap(bitmap.data(), bitmap.size(), picture).result, ResultSuccess);
  EXPECT_EQ(Bytes(picture.colour_table, picture.colour_table + 12), fields.table);
  EXPECT_EQ(Bytes(picture.colour_table + 12, std::end(picture.colour_table)), Bytes(1012, 0));
}

} // namespace
