// Drawing what the GBA shows, every case as cells of 8 x 8 pixels from tiles, and writing the
// PNG with stb's image writer.
#include "app/picture_drawing.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

// stb's writer is compiled here alone, its functions private to this file; its own code is not
// held to our warnings.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

// How the GBA's screen shows a 15-bit colour: each 5-bit channel c as (c << 3) | (c >> 2).
void shown_colour(std::uint16_t colour, std::uint8_t *rgb) {
  for (int i = 0; i < 3; ++i) {
    unsigned c = colour >> 5 * i & 31;
    rgb[i] = static_cast<std::uint8_t>(c << 3 | c >> 2);
  }
}

// Fills the picture cell by cell, left to right and top down, each from a tile of bits (4 or 8)
// a pixel: tile n for cell n, or the tile the cell's map entry names (tile in bits 0-9, flips in
// 10 and 11, palette bank in 12-15). Colour 0 of every bank shows the backdrop, palette entry 0.
void draw_tiles(DrawnPicture &picture, const std::uint16_t *tiles, int bits,
                const std::vector<std::uint16_t> &palette, const std::uint16_t *map) {
  std::uint8_t shown[256][3] = {};
  for (std::size_t i = 0; i < palette.size(); ++i)
    shown_colour(palette[i], shown[i]);
  std::size_t width = static_cast<std::size_t>(picture.width), across = width / 8;
  picture.rgb.resize(width * static_cast<std::size_t>(picture.height) * 3);
  std::size_t cells = across * static_cast<std::size_t>(picture.height / 8);
  int row_values = bits / 2, mask = (1 << bits) - 1;
  for (std::size_t cell = 0; cell < cells; ++cell) {
    unsigned entry = map ? map[cell] : 0;
    const std::uint16_t *tile = tiles + (map ? entry & 0x3FF : cell) * 8 * row_values;
    int flip_x = entry & 0x400 ? 7 : 0, flip_y = entry & 0x800 ? 7 : 0, bank = entry >> 12 << 4;
    std::uint8_t *out = picture.rgb.data() + (cell / across * 8 * width + cell % across * 8) * 3;
    for (int y = 0; y < 8; ++y, out += 3 * width) {
      const std::uint16_t *row = tile + (y ^ flip_y) * row_values;
      for (int x = 0; x < 8; ++x) {
        int from = x ^ flip_x, index = row[from * bits / 16] >> (from * bits % 16) & mask;
        std::memcpy(out + 3 * x, shown[index ? bank + index : 0], 3);
      }
    }
  }
}

const char *const KindNames[] = {"palette", "screen map", "character sheet", "bitmap"};

struct PngSink {
  std::FILE *file;
  bool failed;
};

void write_to_file(void *context, void *data, int size) {
  auto *sink = static_cast<PngSink *>(context);
  auto count = static_cast<std::size_t>(size);
  sink->failed = sink->failed || std::fwrite(data, 1, count, sink->file) != count;
}

} // namespace

ConversionOutcome draw_picture(const std::vector<PictureFile> &files, DrawnPicture &picture,
                               std::size_t &culprit) {
  enum { Palette, Map, Sheet, Bitmap };
  const PictureFile *of[4] = {};
  std::size_t at[4] = {};
  for (culprit = 0; culprit < files.size(); ++culprit) {
    int kind = static_cast<int>(files[culprit].kind);
    if (of[kind])
      return failed(ResultReadFailed, "a second %s: the files make one picture", KindNames[kind]);
    if (of[Bitmap] || (kind == Bitmap && culprit > 0))
      return failed(ResultReadFailed, "a bitmap is drawn alone, not with other files");
    of[kind] = &files[culprit];
    at[kind] = culprit;
  }
  const char *missing = !of[Sheet] && !of[Palette] ? "a character sheet and a palette"
                        : !of[Sheet]               ? "a character sheet"
                                                   : "a palette";
  culprit = of[Map] ? at[Map] : at[Sheet];
  if (of[Map] && (!of[Sheet] || !of[Palette]))
    return failed(ResultReadFailed, "a screen map is drawn with a character sheet and a palette; "
                                    "no file given is %s", missing);
  if (of[Sheet] && !of[Palette])
    return failed(ResultReadFailed, "a character sheet is drawn with a palette; no file given is "
                                    "a palette");
  culprit = 0;
  if (of[Bitmap]) {
    picture.width = of[Bitmap]->width;
    picture.height = of[Bitmap]->height;
    draw_tiles(picture, of[Bitmap]->values.data(), of[Bitmap]->palette.size() == 16 ? 4 : 8,
               of[Bitmap]->palette, nullptr);
  } else if (of[Sheet]) {
    picture.width = picture.height = 256;
    draw_tiles(picture, of[Sheet]->values.data(), 4, of[Palette]->palette,
               of[Map] ? of[Map]->values.data() : nullptr);
  } else {
    // Swatches: 256 tiles of 8-bit pixels, tile i all of colour i.
    std::vector<std::uint16_t> swatches(256 * 32);
    for (std::size_t i = 0; i < swatches.size(); ++i)
      swatches[i] = static_cast<std::uint16_t>(i / 32 * 0x101);
    picture.width = picture.height = 128;
    draw_tiles(picture, swatches.data(), 8, of[Palette]->palette, nullptr);
  }
  return succeeded();
}

ConversionOutcome write_picture(const DrawnPicture &picture, const char *path) {
  char directory[PathCapacity], temporary[PathCapacity];
  if (!directory_part(path, directory, sizeof directory))
    return failed(ResultReadFailed, "its folder's path does not fit %zu bytes", PathCapacity);
  const char *name = path + std::strlen(directory);
  while (*name == '/' || *name == '\\')
    ++name;
  if (directory[0] != '\0' && !change_directory(directory))
    return failed_in_system(ResultReadFailed, "cannot enter its folder %s", directory);
  std::FILE *file = create_temporary_output(temporary, sizeof temporary);
  if (!file)
    return failed_in_system(ResultReadFailed, "cannot create it");
  PngSink sink{file, false};
  if (!stbi_write_png_to_func(write_to_file, &sink, picture.width, picture.height, 3,
                              picture.rgb.data(), 3 * picture.width)) {
    discard_output(file, temporary);
    return failed(ResultReadFailed, "the PNG writer ran out of memory");
  }
  bool written = !sink.failed && std::fflush(file) == 0;
  if (written && commit_output(file, temporary, name))
    return succeeded();
  // commit_output leaves nothing behind when it fails.
  ConversionOutcome outcome = failed_in_system(ResultReadFailed, "writing it failed");
  if (!written)
    discard_output(file, temporary);
  return outcome;
}
