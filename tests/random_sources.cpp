// Writes random sources of every kind into a directory, the same ones every run: character,
// screen and colour files of many lengths, and bitmaps of every bit depth, header kind, row order
// and compression. For comparing the outputs of two builds of the program.
//
// Usage: random_sources DIRECTORY
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "tests/bitmap_file.h"

namespace {

std::string directory;
std::mt19937 random_bytes(2026);

Bytes random_of(std::size_t size) {
  Bytes bytes(size);
  for (std::uint8_t &byte : bytes)
    byte = static_cast<std::uint8_t>(random_bytes());
  return bytes;
}

void write_source(const std::string &name, const Bytes &bytes) {
  std::FILE *file = std::fopen((directory + "/" + name).c_str(), "wb");
  // An empty source has no bytes to hand to fwrite, whose pointer may not be null.
  if (!file ||
      (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) ||
      std::fclose(file) != 0) {
    std::fprintf(stderr, "cannot write %s\n", name.c_str());
    std::exit(1);
  }
}

// Random pixels, a colour table of random length and, by turns, a colours-used field.
BitmapFields random_bitmap(unsigned bits, int width, int height, std::uint32_t header_size) {
  BitmapFields fields;
  fields.width = width;
  fields.height = height;
  fields.bits = static_cast<std::uint16_t>(bits);
  fields.header_size = header_size;
  std::size_t entries = (1u << bits) - 3 + random_bytes() % 8;
  fields.table = random_of(entries * (header_size == 12 ? 3 : 4));
  if (header_size != 12 && random_bytes() % 2 == 0)
    fields.colours_used =
        random_bytes() % 3 == 0 ? 0x80000000u + random_bytes() % 9 : random_bytes() % 300;
  std::size_t stride = (static_cast<std::size_t>(width) * bits / 8 + 3) / 4 * 4;
  fields.pixel_data = random_of(stride * static_cast<std::size_t>(height < 0 ? -height : height));
  return fields;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: random_sources DIRECTORY\n");
    return 2;
  }
  directory = argv[1];
  for (std::size_t size : {0, 1, 33, 511, 512, 4097, 32767, 32768, 40000})
    write_source("tiles" + std::to_string(size) + ".cgx", random_of(size));
  for (std::size_t size : {0, 3, 1000, 2047, 2048, 2500})
    write_source("map" + std::to_string(size) + ".scr", random_of(size));
  for (std::size_t size : {0, 1, 300, 511, 512, 600})
    write_source("colours" + std::to_string(size) + ".col", random_of(size));
  int count = 0;
  for (unsigned bits : {4u, 8u})
    for (std::uint32_t header_size : {40u, 12u, 16u, 64u, 108u, 124u})
      for (int height : {8, 24, -16}) {
        if (header_size == 12 && height < 0)
          continue; // an OS/2 1.x height has no sign
        int width = 8 * static_cast<int>(1 + random_bytes() % 40);
        write_source("picture" + std::to_string(count++) + ".bmp",
                     make_bitmap(random_bitmap(bits, width, height, header_size)));
      }
  for (unsigned bits : {4u, 8u}) {
    Picture picture(32, std::vector<std::uint8_t>(48));
    for (auto &row : picture)
      for (std::uint8_t &pixel : row)
        pixel =
            static_cast<std::uint8_t>(random_bytes() % 4 == 0 ? 1 : random_bytes() % (1u << bits));
    BitmapFields fields = random_bitmap(bits, 48, 32, 40);
    fields.compression = bits == 8 ? 1 : 2;
    fields.pixel_data = encode_rle(picture, bits);
    write_source("packed" + std::to_string(bits) + ".bmp", make_bitmap(fields));
  }
  return 0;
}
