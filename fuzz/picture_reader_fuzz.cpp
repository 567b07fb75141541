// Fuzzes the reader of morvane's own C text with any bytes, and draws what it reads: a map with a
// sheet and a palette, a sheet with a palette, a palette or a bitmap alone.
#include "app/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  std::vector<PictureFile> files(1);
  if (read_picture_file(reinterpret_cast<const char *>(data), size, files[0]).result !=
      ResultSuccess)
    return 0;
  PictureFile sheet{PictureFileKind::sheet, {}, std::vector<std::uint16_t>(16384, 0x4321)};
  PictureFile palette{PictureFileKind::palette, std::vector<std::uint16_t>(256, 0x7FFF), {}};
  if (files[0].kind == PictureFileKind::screen_map)
    files.push_back(sheet);
  if (files[0].kind == PictureFileKind::screen_map || files[0].kind == PictureFileKind::sheet)
    files.push_back(palette);
  DrawnPicture picture;
  std::size_t culprit;
  if (draw_picture(files, picture, culprit).result != ResultSuccess)
    __builtin_trap(); // every file the reader takes, with its partners, is drawn
  return 0;
}
