// Runs the example ROMs in mGBA and holds every frame against the picture decoded here from the
// sources: the shipped samples, random sources with flips and several palettes, and a sheet
// damaged by one swapped nibble, which must be caught. What `morvane --picture` draws from the
// converted files must be the same frame. The ROMs are built twice: by the
// example's Makefile with the make fragment, and by a CMake project with the installed package.
//
// Usage: gba_test MORVANE PREFIX EXAMPLE_DIR CMAKE_PROJECT SAMPLES_DIR WORK_DIR [SEED]
// (PREFIX: where morvane is installed, with its CMake package)
//        gba_test --bitmap NAME ROM BITMAP    (one ROM of the example's bitmap scene, as NAME)
#include "emulator.h"
#include "pictures.h"
#include "tests/bitmap_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#include <stb_image.h>

namespace fs = std::filesystem;

namespace {

// The frame is final from about the fourth; ten leave room.
constexpr int frames_to_run = 10;

struct Setup {
  std::string morvane, prefix, example, cmake_project, samples, work;
  unsigned seed = 7;
};

enum class Builder { make, cmake };

const char *builder_name(Builder builder) { return builder == Builder::make ? "make" : "cmake"; }

struct Tally {
  int passed = 0, failed = 0;
};

void report(Tally &tally, const std::string &name, bool ok, const std::string &detail = "") {
  (ok ? tally.passed : tally.failed)++;
  std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", name.c_str(), detail.empty() ? "" : ": ",
              detail.c_str());
}

void skip(const std::string &name, const std::string &why) {
  std::printf("skip %s: %s\n", name.c_str(), why.c_str());
}

Bytes read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string &path, const Bytes &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// A binary PPM of the frame: run.sh turns it into the PNG screenshots.
void write_ppm(const std::string &path, const Frame &frame) {
  std::string header =
      "P6\n" + std::to_string(screen_width) + " " + std::to_string(screen_height) + "\n255\n";
  Bytes bytes(header.begin(), header.end());
  for (std::uint32_t pixel : frame)
    for (int shift : {0, 8, 16})
      bytes.push_back(static_cast<std::uint8_t>(pixel >> shift));
  write_file(path, bytes);
}

std::string shell_quoted(const std::string &text) { return "'" + text + "'"; }

// The command that builds `target` ("bitmaps" or "tiles") from a directory of sources into
// `build`, at -Os either way.
std::string build_command(const Setup &setup, Builder builder, const std::string &sources,
                          const std::string &build, const std::string &target) {
  if (builder == Builder::make)
    return "make -s -C " + shell_quoted(setup.example) + " MORVANE=" + shell_quoted(setup.morvane) +
           " SAMPLES=" + shell_quoted(sources) + " BUILD=" + shell_quoted(build) + " " + target;
  return "cmake -S " + shell_quoted(setup.cmake_project) + " -B " + shell_quoted(build) +
         " -DCMAKE_TOOLCHAIN_FILE=" + shell_quoted(setup.cmake_project + "/arm-none-eabi.cmake") +
         " -DCMAKE_PREFIX_PATH=" + shell_quoted(setup.prefix) +
         " -DCMAKE_BUILD_TYPE=MinSizeRel -DSAMPLES=" + shell_quoted(sources) +
         " && cmake --build " + shell_quoted(build) + " -j2 --target " + target;
}

// Builds the ROMs; false, with the log's end, on failure.
bool build_roms(const Setup &setup, Builder builder, const std::string &sources,
                const std::string &build, const std::string &target, std::string &why) {
  fs::create_directories(build);
  std::string log = build + "/build-" + target + ".log";
  std::string command = "(" + build_command(setup, builder, sources, build, target) + ") >" +
                        shell_quoted(log) + " 2>&1";
  if (std::system(command.c_str()) == 0)
    return true;
  Bytes output = read_file(log);
  std::string text(output.begin(), output.end());
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
    text.pop_back();
  why = std::string(builder_name(builder)) + " " + target +
        " failed: " + text.substr(text.size() > 600 ? text.size() - 600 : 0);
  return false;
}

std::string describe(const Difference &difference) {
  char text[160];
  std::snprintf(text, sizeof text, "%d pixels differ, first at (%d, %d): expected %06x, shown %06x",
                difference.count, difference.first_x, difference.first_y, difference.expected,
                difference.shown);
  return text;
}

// Runs the ROM for `frames` frames with `keys` held and compares; on success the frame is kept
// as a PPM at `ppm` and returned (otherwise none is).
Frame check_rom(Tally &tally, const std::string &name, const std::string &rom, int frames,
                unsigned keys, const Frame &expected, const std::string &ppm) {
  Frame shown;
  std::string why;
  if (!capture_frame(rom, frames, keys, shown, why)) {
    report(tally, name, false, why);
    return {};
  }
  Difference difference = compare_frames(expected, shown);
  if (difference.count == 0)
    write_ppm(ppm, shown);
  report(tally, name, difference.count == 0, difference.count ? describe(difference) : "");
  return difference.count == 0 ? shown : Frame{};
}

std::vector<std::string> files_with_extension(const std::string &directory,
                                              const std::string &extension) {
  std::vector<std::string> files;
  for (const fs::directory_entry &entry : fs::directory_iterator(directory))
    if (entry.path().extension() == extension)
      files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

std::string base_name(const std::string &path) {
  std::string name = fs::path(path).filename().string();
  return name.substr(0, name.find('.'));
}

// A picture morvane --picture drew, each pixel 0xBBGGRR as the emulator's.
struct Drawn {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  std::string why; // why there is none
};

// What `morvane --picture` draws from the C files morvane writes of the sources (the arrays the
// ROMs hold, in their plain form), converted in folder.
Drawn draw_with_morvane(const Setup &setup, const std::string &folder,
                        const std::vector<std::string> &sources) {
  fs::create_directories(folder);
  // Named after the first file, for run.sh's pictures of the README.
  std::string png = "drawn-" + base_name(sources[0]) + ".png";
  std::string convert = "cd " + shell_quoted(folder) + " && " + shell_quoted(setup.morvane);
  std::string draw = shell_quoted(setup.morvane) + " --picture " + png;
  for (const std::string &source : sources) {
    std::string name = fs::path(source).filename().string();
    fs::copy_file(source, folder + "/" + name, fs::copy_options::overwrite_existing);
    convert += " " + shell_quoted(name);
    draw += " " + shell_quoted(base_name(source) + ".c");
  }
  std::string command = convert + " >drawn.log 2>&1 && " + draw + " >>drawn.log 2>&1";
  Drawn drawn;
  int channels;
  stbi_uc *rgb = nullptr;
  if (std::system(command.c_str()) != 0 ||
      !(rgb = stbi_load((folder + "/" + png).c_str(), &drawn.width, &drawn.height, &channels, 3))) {
    Bytes log = read_file(folder + "/drawn.log");
    drawn.why = "morvane --picture drew nothing: " + std::string(log.begin(), log.end());
    return drawn;
  }
  for (int i = 0; i < drawn.width * drawn.height; ++i)
    drawn.pixels.push_back(rgb[3 * i] | rgb[3 * i + 1] << 8 | std::uint32_t(rgb[3 * i + 2]) << 16);
  stbi_image_free(rgb);
  return drawn;
}

// The drawn picture must be the frame the emulator showed: a bitmap in the screen's top left
// corner, a 256 x 256 background scrolled to (scroll_x, scroll_y), wrapping around.
void check_drawn(Tally &tally, const std::string &name, const Drawn &drawn, const Frame &shown,
                 bool background, int scroll_x, int scroll_y) {
  if (shown.empty())
    return;
  int width = background ? screen_width : drawn.width;
  int height = background ? screen_height : drawn.height;
  bool sized = background ? drawn.width == 256 && drawn.height == 256
                          : drawn.width <= screen_width && drawn.height <= screen_height;
  int differing = 0;
  for (int y = 0; sized && y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::size_t at = background ? (y + scroll_y) % 256 * 256 + (x + scroll_x) % 256
                                  : std::size_t(y) * drawn.width + x;
      differing += drawn.pixels[at] != shown[y * screen_width + x];
    }
  std::string size = std::to_string(drawn.width) + " x " + std::to_string(drawn.height);
  report(tally, name + " as morvane --picture draws it", drawn.width > 0 && sized && !differing,
         drawn.width == 0 ? drawn.why
         : !sized         ? "drawn at " + size
         : differing      ? std::to_string(differing) + " pixels differ"
                          : "");
}

void check_bitmaps(Tally &tally, const Setup &setup, Builder builder, const std::string &sources,
                   const std::string &build, const std::string &label) {
  std::vector<std::string> bitmaps = files_with_extension(sources, ".bmp");
  if (bitmaps.empty())
    return skip(label + " bitmaps", "no .bmp in " + sources);
  std::string why;
  if (!build_roms(setup, builder, sources, build, "bitmaps", why))
    return report(tally, label + " bitmaps", false, why);
  for (const std::string &bitmap : bitmaps) {
    std::string name = label + " bitmap " + fs::path(bitmap).filename().string();
    Frame expected = expected_bitmap_frame(read_file(bitmap), why);
    if (expected.empty())
      report(tally, name, false, why);
    else if (Frame shown = check_rom(tally, name, build + "/bitmap-" + base_name(bitmap) + ".gba",
                                     frames_to_run, 0, expected,
                                     build + "/bitmap-" + base_name(bitmap) + ".ppm");
             builder == Builder::make)
      check_drawn(tally, name, draw_with_morvane(setup, build + "/picture", {bitmap}), shown, false,
                  0, 0);
  }
}

// The trio in a directory, one file of each kind, or an empty list.
std::vector<std::string> tile_sources(const std::string &directory) {
  std::vector<std::string> trio;
  for (const char *extension : {".cgx", ".scr", ".col"}) {
    std::vector<std::string> files = files_with_extension(directory, extension);
    if (files.size() != 1)
      return {};
    trio.push_back(files[0]);
  }
  return trio;
}

Frame expected_tiles(const std::vector<std::string> &trio, int scroll_x, int scroll_y) {
  return expected_tiles_frame(read_file(trio[0]), read_file(trio[1]), read_file(trio[2]), scroll_x,
                              scroll_y);
}

bool check_tiles(Tally &tally, const Setup &setup, Builder builder, const std::string &sources,
                 const std::string &build, const std::string &label) {
  std::vector<std::string> trio = tile_sources(sources);
  if (trio.empty()) {
    skip(label + " tiles", "no single .cgx, .scr and .col in " + sources);
    return false;
  }
  std::string why;
  if (!build_roms(setup, builder, sources, build, "tiles", why)) {
    report(tally, label + " tiles", false, why);
    return false;
  }
  int before = tally.failed;
  std::string name = label + " tiles " + base_name(trio[0]) + ", " + base_name(trio[1]) + ", " +
                     base_name(trio[2]);
  std::string rom = build + "/tiles.gba";
  Frame top_left = check_rom(tally, name + " at the top left", rom, frames_to_run, 0,
                             expected_tiles(trio, 0, 0), build + "/tiles.ppm");
  // Right and down held long enough scroll the background to its bottom right corner, so the
  // two frames together show every cell of the 32 x 32 screen.
  Frame corner = check_rom(
      tally, name + " scrolled to the bottom right", rom, frames_to_run + 120, key_right | key_down,
      expected_tiles(trio, 256 - screen_width, 256 - screen_height), build + "/tiles-corner.ppm");
  if (builder == Builder::make) {
    // The screen map first, as a user would name the files.
    Drawn drawn = draw_with_morvane(setup, build + "/picture", {trio[1], trio[0], trio[2]});
    check_drawn(tally, name + " at the top left", drawn, top_left, true, 0, 0);
    check_drawn(tally, name + " scrolled to the bottom right", drawn, corner, true,
                256 - screen_width, 256 - screen_height);
  }
  return tally.failed == before;
}

Bytes random_bytes(std::mt19937 &random, std::size_t count) {
  Bytes bytes(count);
  for (std::uint8_t &byte : bytes)
    byte = static_cast<std::uint8_t>(random());
  return bytes;
}

// A classic bitmap of random pixels and colours: 54 header bytes, the whole table, then the rows
// bottom-up.
Bytes random_bitmap(std::mt19937 &random, int width, int height, int bits) {
  BitmapFields fields;
  fields.width = width;
  fields.height = height;
  fields.bits = static_cast<std::uint16_t>(bits);
  fields.table = random_bytes(random, 4u << bits);
  fields.pixel_data = random_bytes(random, std::size_t(width) * height * bits / 8);
  fields.image_size = static_cast<std::uint32_t>(fields.pixel_data.size());
  fields.pixels_per_metre = 2835;
  return make_bitmap(fields);
}

// Random pixels in stretches of one colour, so that compressing them gives runs of both kinds.
Picture random_picture(std::mt19937 &random, int width, int height, int bits) {
  Picture picture(height, std::vector<std::uint8_t>(width));
  for (auto &row : picture)
    for (int x = 0; x < width; ++x)
      row[x] = x > 0 && random() % 3 != 0 ? row[x - 1]
                                          : static_cast<std::uint8_t>(random() % (1u << bits));
  return picture;
}

// The layouts besides the classic one, each with random colours and pixels: colour tables
// longer than the depth needs, a gap before the pixels, OS/2 2.x headers plain and compressed,
// and OS/2 1.x core headers.
std::vector<std::pair<std::string, Bytes>> layout_bitmaps(std::mt19937 &random) {
  std::vector<std::pair<std::string, Bytes>> bitmaps;
  auto fields_of = [&](int width, int height, int bits, std::size_t entries) {
    BitmapFields fields;
    fields.width = width;
    fields.height = height;
    fields.bits = static_cast<std::uint16_t>(bits);
    fields.table = random_bytes(random, 4 * entries);
    fields.pixel_data = random_bytes(random, std::size_t(width) * height * bits / 8);
    return fields;
  };
  for (auto [bits, entries] : {std::pair{4, 17}, std::pair{4, 254}, std::pair{8, 300}}) {
    BitmapFields fields = fields_of(128, 64, bits, entries);
    fields.colours_used = static_cast<std::uint32_t>(entries);
    bitmaps.emplace_back("long" + std::to_string(bits) + "_" + std::to_string(entries),
                         make_bitmap(fields));
  }
  BitmapFields gap = fields_of(64, 48, 8, 256);
  gap.pixel_offset = 54 + 1024 + 36;
  gap.pixel_data.insert(gap.pixel_data.begin(), 36, 0xFF);
  bitmaps.emplace_back("gap8", make_bitmap(gap));
  BitmapFields os2 = fields_of(16, 16, 4, 16);
  os2.header_size = 64;
  bitmaps.emplace_back("os2_4", make_bitmap(os2));
  BitmapFields os2_rle = fields_of(96, 64, 8, 256);
  os2_rle.header_size = 64;
  os2_rle.compression = 1;
  os2_rle.pixel_data = encode_rle(random_picture(random, 96, 64, 8), 8);
  bitmaps.emplace_back("os2_rle8", make_bitmap(os2_rle));
  for (int bits : {4, 8}) {
    BitmapFields core = fields_of(80, 40, bits, std::size_t{1} << bits);
    core.header_size = 12;
    core.table = random_bytes(random, 3u << bits);
    bitmaps.emplace_back("core" + std::to_string(bits), make_bitmap(core));
  }
  return bitmaps;
}

// A random screen must reach what a tidy picture might not: both flips, alone and together,
// several palettes, bit 13 set, and characters from both halves of the character file, all in
// the 30 x 20 cells that the screen shows.
std::string screen_coverage_gap(const Bytes &scr) {
  int horizontal = 0, vertical = 0, both = 0, right_half = 0, bit13 = 0;
  unsigned palettes = 0;
  for (int row = 0; row < 20; ++row)
    for (int column = 0; column < 30; ++column) {
      unsigned entry = scr[2 * (row * 32 + column)] | scr[2 * (row * 32 + column) + 1] << 8;
      unsigned flips = entry >> 14;
      horizontal += flips == 1;
      vertical += flips == 2;
      both += flips == 3;
      right_half += (entry & 0x3ff) >= 512;
      bit13 += (entry >> 13) & 1;
      palettes |= 1u << (entry >> 10 & 7);
    }
  if (!horizontal || !vertical || !both || !right_half || !bit13 || palettes != 0xff)
    return "the random screen leaves out a flip, a palette or a half of the characters";
  return "";
}

// Value `index` of the little-endian 16-bit values of a build-form NAME.bin.
unsigned value_at(const Bytes &values, std::size_t index) {
  return values[2 * index] | values[2 * index + 1] << 8;
}

struct Damage {
  int tile = -1;   // the sheet tile changed
  std::string why; // set when the generated files could not be damaged as planned
};

// Swaps two neighbouring nibbles (two pixels) of one value of the tile that the screen's top
// left cell shows, choosing pixels whose colours differ there, so the damage must show.
Damage damage_sheet(const std::string &sheet_path, const std::string &map_path, const Bytes &col) {
  Bytes sheet = read_file(sheet_path), map = read_file(map_path);
  if (sheet.size() != 2 * 16384 || map.size() != 2 * 1024)
    return {-1, "the converted sheet or map does not hold 16384 or 1024 values"};
  unsigned entry = value_at(map, 0), tile = entry & 0x3ff, bank = entry >> 12;
  auto shown = [&](unsigned index) {
    unsigned colour = index == 0 ? 0 : 16 * bank + index;
    return shown_colour((col[2 * colour] | col[2 * colour + 1] << 8) & 0x7fff);
  };
  for (unsigned k = 16 * tile; k < 16 * tile + 16; ++k) {
    unsigned value = value_at(sheet, k);
    for (unsigned nibble = 0; nibble < 3; ++nibble) {
      unsigned a = value >> 4 * nibble & 15, b = value >> 4 * (nibble + 1) & 15;
      if (shown(a) == shown(b))
        continue;
      unsigned swapped = (value & ~(0xffu << 4 * nibble)) | b << 4 * nibble | a << 4 * (nibble + 1);
      sheet[2 * k] = static_cast<std::uint8_t>(swapped);
      sheet[2 * k + 1] = static_cast<std::uint8_t>(swapped >> 8);
      write_file(sheet_path, sheet);
      return {static_cast<int>(tile), ""};
    }
  }
  return {-1, "the top left tile has no two neighbouring pixels of different colours"};
}

// The damaged sheet must be caught, and only where the damaged tile shows. The make build is
// damaged: it keeps the converted values in build/gfx/NAME.bin, which its object is assembled
// from again.
void check_damaged_sheet(Tally &tally, const Setup &setup, const std::string &sources,
                         const std::string &build, const std::vector<std::string> &trio) {
  const std::string name = "damaged sheet (one nibble swapped) is caught";
  std::string sheet_bin = build + "/gfx/" + base_name(trio[0]) + ".bin";
  std::string map_bin = build + "/gfx/" + base_name(trio[1]) + ".bin";
  Damage damage = damage_sheet(sheet_bin, map_bin, read_file(trio[2]));
  if (damage.tile < 0)
    return report(tally, name, false, damage.why);
  for (const char *built : {"/gfx/morvane.all.o", "/tiles.elf", "/tiles.gba"})
    fs::remove(build + built);
  std::string why;
  Frame shown;
  if (!build_roms(setup, Builder::make, sources, build, "tiles", why) ||
      !capture_frame(build + "/tiles.gba", frames_to_run, 0, shown, why))
    return report(tally, name, false, why);

  Frame expected = expected_tiles(trio, 0, 0);
  Bytes map = read_file(map_bin);
  int differing = 0, elsewhere = 0;
  for (int y = 0; y < screen_height; ++y)
    for (int x = 0; x < screen_width; ++x) {
      if (expected[y * screen_width + x] == shown[y * screen_width + x])
        continue;
      ++differing;
      unsigned entry = value_at(map, y / 8 * 32 + x / 8);
      elsewhere += static_cast<int>(entry & 0x3ff) != damage.tile;
    }
  report(tally, name, differing > 0 && elsewhere == 0,
         std::to_string(differing) + " pixels differ, " + std::to_string(elsewhere) +
             " of them outside tile " + std::to_string(damage.tile));
}

void check_random_sources(Tally &tally, const Setup &setup) {
  std::printf("random sources from seed %u\n", setup.seed);
  std::mt19937 random(setup.seed);
  std::string sources = setup.work + "/random";
  fs::create_directories(sources);
  // One bitmap fills the screen; the other leaves the backdrop showing right of and below it.
  write_file(sources + "/noise4.bmp", random_bitmap(random, 240, 160, 4));
  write_file(sources + "/noise8.bmp", random_bitmap(random, 176, 96, 8));
  write_file(sources + "/noise_chars.cgx", random_bytes(random, 32768));
  Bytes scr = random_bytes(random, 2048);
  write_file(sources + "/noise_screen.scr", scr);
  write_file(sources + "/noise_colours.col", random_bytes(random, 512));

  // Every bitmap layout read gives the picture it holds; the conversion is the same whatever
  // builds the ROM, so the make fragment alone builds these.
  std::string layouts = setup.work + "/layouts";
  fs::create_directories(layouts);
  for (const auto &[name, bitmap] : layout_bitmaps(random))
    write_file(layouts + "/" + name + ".bmp", bitmap);
  check_bitmaps(tally, setup, Builder::make, layouts, setup.work + "/make-layouts", "make layout");
  std::string gap = screen_coverage_gap(scr);
  if (!gap.empty())
    return report(tally, "random tiles", false, gap + " (try another seed)");
  for (Builder builder : {Builder::make, Builder::cmake}) {
    std::string build = setup.work + "/" + builder_name(builder) + "-random";
    std::string label = std::string(builder_name(builder)) + " random";
    check_bitmaps(tally, setup, builder, sources, build, label);
    if (check_tiles(tally, setup, builder, sources, build, label) && builder == Builder::make)
      check_damaged_sheet(tally, setup, sources, build, tile_sources(sources));
  }
}

} // namespace

int main(int argc, char **argv) {
  if (argc == 5 && std::string(argv[1]) == "--bitmap") {
    Tally tally;
    std::string why;
    Frame expected = expected_bitmap_frame(read_file(argv[4]), why);
    if (expected.empty())
      report(tally, argv[2], false, why);
    else
      check_rom(tally, argv[2], argv[3], frames_to_run, 0, expected, std::string(argv[3]) + ".ppm");
    return tally.failed == 0 ? 0 : 1;
  }
  if (argc < 7 || argc > 8) {
    std::fprintf(stderr, "usage: gba_test MORVANE PREFIX EXAMPLE_DIR CMAKE_PROJECT SAMPLES_DIR "
                         "WORK_DIR [SEED]\n");
    return 2;
  }
  std::vector<std::string> paths;
  for (int i = 1; i <= 6; ++i)
    paths.push_back(fs::absolute(argv[i]).string());
  Setup setup{paths[0], paths[1], paths[2], paths[3], paths[4], paths[5]};
  if (argc == 8)
    setup.seed = static_cast<unsigned>(std::strtoul(argv[7], nullptr, 10));

  Tally tally;
  for (Builder builder : {Builder::make, Builder::cmake}) {
    std::string build = setup.work + "/" + builder_name(builder) + "-shipped";
    std::string label = std::string(builder_name(builder)) + " shipped";
    check_bitmaps(tally, setup, builder, setup.samples, build, label);
    check_tiles(tally, setup, builder, setup.samples, build, label);
  }
  check_random_sources(tally, setup);

  std::printf("%d passed, %d failed\n", tally.passed, tally.failed);
  return tally.failed == 0 ? 0 : 1;
}
