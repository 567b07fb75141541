// Drawing what the GBA shows, every case as cells of 8 x 8 pixels from tiles; writing the PNG
// with stb's image writer; and the command line's --picture around them.
#include "app/picture.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "platform/command_line.h"
#include "platform/platform.h"

// stb's writer is compiled here alone, its functions private to this file (its directory is a
// system one to the build, so that its code is not held to our warnings).
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace {

// Fills the picture cell by cell, left to right and top down, each from a tile of bits (4 or 8)
// a pixel: tile n for cell n, or the tile the cell's map entry names (tile in bits 0-9, flips in
// 10 and 11, palette bank in 12-15). Colour 0 of every bank shows the backdrop, palette entry 0.
template <int Bits>
void draw_tiles(DrawnPicture &picture, const std::uint16_t *tiles,
                const std::vector<std::uint16_t> &palette, const std::uint16_t *map) {
  // As the GBA's screen shows a colour: each 5-bit channel c as (c << 3) | (c >> 2), which is
  // c * 33 >> 2.
  std::uint8_t shown[256][3] = {};
  for (std::size_t i = 0; i < 3 * palette.size(); ++i)
    shown[i / 3][i % 3] = static_cast<std::uint8_t>((palette[i / 3] >> 5 * (i % 3) & 31) * 33 >> 2);
  std::size_t width = std::size_t(picture.width), across = width / 8;
  std::size_t cells = across * std::size_t(picture.height / 8);
  picture.rgb.resize(3 * width * std::size_t(picture.height));
  for (std::size_t cell = 0; cell < cells; ++cell) {
    unsigned entry = map ? map[cell] : 0;
    const std::uint16_t *tile = tiles + (map ? entry & 0x3FF : cell) * 4 * Bits;
    int flip_x = entry & 0x400 ? 7 : 0, flip_y = entry & 0x800 ? 7 : 0, bank = entry >> 12 << 4;
    std::uint8_t *out = picture.rgb.data() + (cell / across * 8 * width + cell % across * 8) * 3;
    for (int y = 0; y < 8; ++y, out += 3 * width) {
      const std::uint16_t *row = tile + (y ^ flip_y) * Bits / 2;
      // Column x of the tile lands in column x, or 7 - x when flipped. Unrolled, each pixel's
      // place in its value is known.
#pragma GCC unroll 8
      for (int x = 0; x < 8; ++x) {
        int index = row[x * Bits / 16] >> (x * Bits % 16) & ((1 << Bits) - 1);
        std::memcpy(out + 3 * (x ^ flip_x), shown[index ? bank + index : 0], 3);
      }
    }
  }
}

const char *const KindNames[] = {"palette", "screen map", "character sheet", "bitmap"};

// The file at path, held whole while it is read.
ConversionOutcome read_picture_path(const char *path, PictureFile &file) {
  SourceFile source;
  if (!open_source(path, SourceSharing::read, &source))
    return failed_in_system(ResultReadFailed, "cannot open");
  long long size = source_size(source);
  SourceBytes bytes; // none for an empty file, which holds no array
  bool held =
      size == 0 || (size > 0 && std::uint64_t(size) <= SIZE_MAX &&
                    hold_source_bytes(source, std::size_t(size), bytes) == SourceHold::held);
  ConversionOutcome outcome =
      held ? read_picture_file(reinterpret_cast<const char *>(bytes.data), bytes.size, file)
           : failed_in_system(ResultReadFailed, "cannot be read whole");
  close_source(source);
  return outcome.result == ResultSuccess && !source_bytes_whole(bytes)
             ? failed(ResultReadFailed, "was cut short while it was read")
             : outcome;
}

// Writes the picture as a PNG at path, whole or not at all, like a converter's output. The
// working directory becomes path's directory.
ConversionOutcome write_picture(const DrawnPicture &picture, const char *path) {
  // A path's directory part is never longer than the path.
  char directory[2 * PathCapacity] = "", temporary[PathCapacity];
  if (!directory_part(path, directory, sizeof directory) ||
      (directory[0] != '\0' && !change_directory(directory)))
    return failed_in_system(ResultReadFailed, "cannot enter its folder %s", directory);
  const char *name = path + std::strlen(directory);
  while (*name == '/' || *name == '\\')
    ++name;
  std::FILE *file = create_temporary_output(temporary, sizeof temporary);
  if (!file)
    return failed_in_system(ResultReadFailed, "cannot create it");
  auto to_file = [](void *file, void *data, int size) {
    std::fwrite(data, 1, std::size_t(size), static_cast<std::FILE *>(file));
  };
  bool encoded = stbi_write_png_to_func(to_file, file, picture.width, picture.height, 3,
                                        picture.rgb.data(), 3 * picture.width);
  bool written = encoded && !std::ferror(file) && std::fflush(file) == 0;
  if (written && commit_output(file, temporary, name))
    return succeeded();
  ConversionOutcome outcome = failed_in_system(
      ResultReadFailed, "%s", encoded ? "writing it failed" : "the PNG writer found no memory");
  // commit_output leaves nothing behind when it fails.
  if (!written)
    discard_output(file, temporary);
  return outcome;
}

} // namespace

ConversionOutcome draw_picture(const std::vector<PictureFile> &files, DrawnPicture &picture,
                               std::size_t &culprit) {
  const PictureFile *of[4] = {};
  for (culprit = 0; culprit < files.size(); ++culprit) {
    int kind = int(files[culprit].kind);
    if (of[kind] || (kind == 3 && files.size() > 1))
      return failed(ResultReadFailed, "%s %s%s", of[kind] ? "a second" : "a", KindNames[kind],
                    of[kind] ? ": the files make one picture" : " is drawn alone");
    of[kind] = &files[culprit];
  }
  const PictureFile *palette = of[0], *map = of[1], *sheet = of[2], *bitmap = of[3];
  culprit = map || sheet ? std::size_t((map ? map : sheet) - files.data()) : 0;
  if ((map || sheet) && (!sheet || !palette))
    return failed(ResultReadFailed, "a %s is drawn with %s; no file given is %s",
                  KindNames[map ? 1 : 2], map ? "a character sheet and a palette" : "a palette",
                  sheet ? "a palette" : "a character sheet");
  // A palette alone shows as swatches: 256 tiles of 8-bit pixels, tile i all of colour i.
  std::vector<std::uint16_t> swatches(256 * 32);
  for (std::size_t i = 0; i < swatches.size(); ++i)
    swatches[i] = static_cast<std::uint16_t>(i / 32 * 0x101);
  const PictureFile *tiles = bitmap ? bitmap : sheet;
  picture.width = bitmap ? bitmap->width : sheet ? 256 : 128;
  picture.height = bitmap ? bitmap->height : picture.width;
  const std::vector<std::uint16_t> &colours = (bitmap ? bitmap : palette)->palette;
  ((bitmap && colours.size() == 16) || sheet
       ? draw_tiles<4>
       : draw_tiles<8>)(picture, tiles ? tiles->values.data() : swatches.data(), colours,
                        map ? map->values.data() : nullptr);
  return succeeded();
}

int picture_command(int count, char **arguments) {
  // Room for a path too long for the seam, so that it is refused by its length.
  char buffer[2 * PathCapacity];
  const char *out = arguments[0];
  std::size_t length = std::strlen(out), culprit = 0; // the argument a refusal names
  ConversionOutcome too_long = failed(ResultReadFailed, "the path is too long");
  auto lower = [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; };
  bool png = length >= 4 && std::equal(out + length - 4, out + length, ".png", lower);
  ConversionOutcome outcome =
      png ? succeeded() : failed(ResultReadFailed, "is no .png file's name");
  std::vector<PictureFile> files(std::size_t(count - 1));
  for (int i = 1; i < count && outcome.result == ResultSuccess; ++i) {
    const char *path = argument_path(arguments[i], buffer, sizeof buffer);
    outcome = path ? read_picture_path(path, files[std::size_t(i - 1)]) : too_long;
    culprit = std::size_t(i);
  }
  DrawnPicture picture;
  if (outcome.result == ResultSuccess) {
    outcome = draw_picture(files, picture, culprit);
    culprit = outcome.result == ResultSuccess ? 0 : culprit + 1; // files[i] is arguments[i + 1]
  }
  // OUT's path is taken in last, so that the seam names the picture from it, not from a FILE's.
  if (outcome.result == ResultSuccess)
    outcome = (out = argument_path(arguments[0], buffer, sizeof buffer))
                  ? write_picture(picture, out)
                  : too_long;
  if (outcome.result != ResultSuccess) {
    std::string line = std::string("morvane: ") + arguments[culprit] + ": ";
    append_narrow_text(line, outcome.reason);
    write_line(stderr, line + "\n");
    return 1;
  }
  write_line(stdout, std::string(arguments[0]) + ": drawn, " + std::to_string(picture.width) +
                         " x " + std::to_string(picture.height) + " pixels\n");
  return 0;
}
