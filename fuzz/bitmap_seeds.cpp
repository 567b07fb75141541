// Writes a small bitmap of each layout besides the classic one into a directory, so that the
// bitmap fuzz target starts from every header kind and pixel placement, not only the samples'.
//
// Usage: bitmap_seeds DIRECTORY
#include <cstdio>
#include <string>
#include <utility>

#include "tests/bitmap_file.h"

namespace {

BitmapFields fields_of(unsigned bits, std::uint32_t header_size, std::size_t entries) {
  BitmapFields fields;
  fields.width = 16;
  fields.height = 8;
  fields.bits = static_cast<std::uint16_t>(bits);
  fields.header_size = header_size;
  for (std::size_t i = 0; i < entries * (header_size == 12 ? 3 : 4); ++i)
    fields.table.push_back(static_cast<std::uint8_t>(i * 7));
  for (std::size_t i = 0; i < 16 * 8 * bits / 8; ++i)
    fields.pixel_data.push_back(static_cast<std::uint8_t>(i * 13));
  return fields;
}

bool write_seed(const std::string &path, const Bytes &bytes) {
  std::FILE *file = std::fopen(path.c_str(), "wb");
  bool written = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return (file && std::fclose(file) == 0) && written;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bitmap_seeds DIRECTORY\n");
    return 2;
  }
  std::string directory = argv[1];
  BitmapFields long_table = fields_of(4, 40, 17);
  long_table.colours_used = 17;
  BitmapFields gap = fields_of(8, 40, 256);
  gap.pixel_data.insert(gap.pixel_data.begin(), 8, 0);
  gap.pixel_offset = 54 + 1024 + 8;
  BitmapFields os2_rle = fields_of(8, 64, 256);
  os2_rle.compression = 1;
  os2_rle.pixel_data = encode_rle(Picture(8, std::vector<std::uint8_t>(16, 3)), 8);
  const std::pair<const char *, BitmapFields> seeds[] = {
      {"long_table", long_table},           {"gap", gap},         {"os2", fields_of(4, 64, 16)},
      {"os2_short", fields_of(8, 16, 256)}, {"os2_rle", os2_rle}, {"core4", fields_of(4, 12, 16)},
      {"core8", fields_of(8, 12, 256)},
  };
  for (const auto &[name, fields] : seeds)
    if (!write_seed(directory + "/" + name + ".bmp", make_bitmap(fields))) {
      std::fprintf(stderr, "bitmap_seeds: cannot write %s in %s\n", name, directory.c_str());
      return 1;
    }
  return 0;
}
