// The build form: NAME.bin, NAME.s and NAME.h in a build directory hold the very arrays a C
// compiler makes of NAME.c, the two texts are rewritten only when they change, and a file that
// fails leaves the earlier ones as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "bitmap_builder.h"
#include "object_arrays.h"

namespace {

// Bytes whose every place differs from its neighbours, so a misplaced one shows.
Bytes patterned(std::size_t size, unsigned seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 13 + i / 256 + seed);
  return bytes;
}

// A converted source: the base name its files are named by, and its arrays in their order.
struct Converted {
  std::string base;
  std::vector<std::string> arrays;
};

// The arrays of a source whose base name is already a C name.
Converted plainly_named(const std::string &file_name) {
  std::string base = file_name.substr(0, file_name.find('.'));
  std::string extension = file_name.substr(file_name.rfind('.') + 1);
  if (extension == "bmp")
    return {base, {base + "_pal", base + "_sp"}};
  if (extension == "scr")
    return {base, {base + "_map"}};
  return {base, {base + (extension == "cgx" ? "_sp" : "_pal")}};
}

// Sources whose names the array names and the assembler's strings must cope with, and a bitmap
// with no pixel rows, whose tile array is empty.
struct OddSource {
  const char *name;
  Bytes bytes;
  Converted converted;
};

std::vector<OddSource> odd_sources() {
  BitmapFields empty;
  empty.width = 16;
  empty.height = 0;
  empty.table = colour_table(16);
  return {
      {"title.screen.bmp",
       make_bitmap(classic_spec(pattern_picture(16, 8, 4), 4)),
       {"title", {"title_pal", "title_sp"}}},
      {"title screen.col", patterned(512, 1), {"title screen", {"title_screen_pal"}}},
      {"1-3.scr", patterned(2048, 2), {"1-3", {"_1_3_map"}}},
      {"\xE5\x9F\x8E.bmp",
       make_bitmap(classic_spec(pattern_picture(8, 16, 8), 8)),
       {"\xE5\x9F\x8E", {"\xE5\x9F\x8E_pal", "\xE5\x9F\x8E_sp"}}},
      {"x$y.cgx", patterned(32768, 3), {"x$y", {"x$y_sp"}}},
      {"_under.col", patterned(300, 4), {"_under", {"_under_pal"}}},
      {"tab\there.scr", patterned(2048, 5), {"tab\there", {"tab_here_map"}}},
      {"q\"uote\\s.col", patterned(512, 6), {"q\"uote\\s", {"q_uote_s_pal"}}},
      {"empty.bmp", make_bitmap(empty), {"empty", {"empty_pal", "empty_sp"}}},
  };
}

// A name as an assembler string.
std::string assembler_string(const std::string &name) {
  std::string text = "\"";
  for (char c : name) {
    if (c == '\t')
      text += "\\011";
    else if (c == '"' || c == '\\')
      text += std::string("\\") + c;
    else
      text += c;
  }
  return text + "\"";
}

// Every source kind: the samples, the random sources of every kind and layout that
// tests/random_sources.cpp writes, and the odd names, converted both ways from dir/src: plainly,
// NAME.c beside each, and in build form into dir/out. Both runs must print the same failures;
// the build form prints nothing else and exits with 1 for them. The sources converted.
std::vector<Converted> convert_every_kind_both_ways(const ScratchDirectory &dir) {
  std::string src = dir.file("src");
  std::filesystem::create_directories(src);
  std::filesystem::create_directories(dir.file("out"));
  for (const std::filesystem::path &sample : shipped_samples())
    std::filesystem::copy_file(sample, src + "/" + sample.filename().string());
  std::string write_random = std::string("'") + RANDOM_SOURCES_EXE + "' '" + src + "'";
  EXPECT_EQ(std::system(write_random.c_str()), 0);
  std::vector<OddSource> odd = odd_sources();
  for (const OddSource &source : odd)
    write_file(src + "/" + source.name, source.bytes);

  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(src))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  RunResult plain = run_morvane(names, src);
  auto sources = directory_snapshot(src);
  std::vector<std::string> build_arguments = {"--build", "../out"};
  build_arguments.insert(build_arguments.end(), names.begin(), names.end());
  RunResult build = run_morvane(build_arguments, src);
  EXPECT_EQ(build.printed_out, "");
  EXPECT_EQ(build.printed_err, plain.printed_err);
  EXPECT_EQ(build.exit_status, plain.printed_err.empty() ? 0 : 1);
  EXPECT_EQ(directory_snapshot(src), sources) << "the build form wrote beside its sources";

  std::vector<Converted> converted;
  std::vector<std::string> expected_files;
  for (const std::string &name : names) {
    auto odd_one = std::find_if(odd.begin(), odd.end(),
                                [&name](const OddSource &source) { return source.name == name; });
    Converted one = odd_one != odd.end() ? odd_one->converted : plainly_named(name);
    if (!file_exists(src + "/" + one.base + ".c"))
      continue;
    converted.push_back(one);
    for (const char *suffix : {".bin", ".h", ".s"})
      expected_files.push_back(one.base + suffix);
  }
  std::vector<std::string> files;
  for (const auto &[name, bytes] : directory_snapshot(dir.file("out")))
    files.push_back(name);
  std::sort(expected_files.begin(), expected_files.end());
  EXPECT_EQ(files, expected_files);
  // Every source converts but those refused, a line each.
  EXPECT_EQ(converted.size() + std::count(plain.printed_err.begin(), plain.printed_err.end(), '\n'),
            names.size());
  return converted;
}

// Compiles every NAME.c as one unit, each after the NAME.h of its build form (the program that
// uses the arrays supplies u16), and assembles every NAME.s as one, with compiler; then compares
// the arrays of the two objects: the same names, bytes and sizes, each global and 4-byte
// aligned. NAME.bin must be the arrays one after another.
void expect_the_same_arrays(const ScratchDirectory &dir, const std::vector<Converted> &converted,
                            const std::string &compiler) {
  std::string unit = "typedef unsigned short u16;\n";
  std::string assembly;
  for (const Converted &one : converted) {
    unit += "#include <" + one.base + ".h>\n#include <" + one.base + ".c>\n";
    assembly += "\t.include " + assembler_string(one.base + ".s") + "\n";
  }
  write_text_file(dir.file("unit.c"), unit);
  write_text_file(dir.file("unit.s"), assembly);
  std::string flags = " -c -I'" + dir.file("out") + "' -I'" + dir.file("src") + "' ";
  std::string compile = compiler + flags + "-std=c99 -Wall -Werror -Os '" + dir.file("unit.c") +
                        "' -o '" + dir.file("c.o") + "' 2>'" + dir.file("errors") + "'";
  ASSERT_EQ(std::system(compile.c_str()), 0) << read_text(dir.file("errors"));
  std::string assemble = compiler + flags + "'" + dir.file("unit.s") + "' -o '" + dir.file("s.o") +
                         "' 2>'" + dir.file("errors") + "'";
  ASSERT_EQ(std::system(assemble.c_str()), 0) << read_text(dir.file("errors"));
  // The assembler warns of nothing either.
  EXPECT_EQ(read_text(dir.file("errors")), "");

  auto from_c = object_arrays(dir.file("c.o"));
  auto from_s = object_arrays(dir.file("s.o"));
  std::size_t array_count = 0;
  for (const Converted &one : converted) {
    Bytes values;
    for (const std::string &array : one.arrays) {
      ++array_count;
      ASSERT_TRUE(from_c.count(array)) << array << " is not in the compiled text";
      ASSERT_TRUE(from_s.count(array)) << array << " is not in the assembled build form";
      EXPECT_EQ(from_c[array].alignment, 4u) << array;
      EXPECT_EQ(from_s[array].alignment, 4u) << array;
      EXPECT_TRUE(from_s[array].global) << array;
      EXPECT_TRUE(from_s[array] == from_c[array]) << array << " differs";
      values.insert(values.end(), from_c[array].bytes.begin(), from_c[array].bytes.end());
    }
    EXPECT_TRUE(read_file(dir.file("out/" + one.base + ".bin")) == values) << one.base << ".bin";
  }
  EXPECT_EQ(from_c.size(), array_count);
  EXPECT_EQ(from_s.size(), array_count);
}

TEST(BuildForm, EveryKindGivesTheArraysOfTheCompiledTextOnThisMachine) {
#ifndef __ELF__
  GTEST_SKIP() << "skipped: the system's compiler makes no ELF objects, which the test reads";
#endif
  ScratchDirectory dir;
  std::vector<Converted> converted = convert_every_kind_both_ways(dir);
  expect_the_same_arrays(dir, converted, "cc");
}

TEST(BuildForm, EveryKindGivesTheArraysOfTheCompiledTextForTheGba) {
  if (std::system("arm-none-eabi-gcc --version >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "skipped: the GBA toolchain's check needs arm-none-eabi-gcc (Debian package "
                    "gcc-arm-none-eabi)";
  ScratchDirectory dir;
  std::vector<Converted> converted = convert_every_kind_both_ways(dir);
  expect_the_same_arrays(dir, converted, "arm-none-eabi-gcc");
}

TEST(BuildForm, TheHeaderAndTheAssemblerText) {
  ScratchDirectory dir;
  write_file(dir.file("my title.x.bmp"), make_bitmap(classic_spec(pattern_picture(16, 8, 4), 4)));
  RunResult run = run_morvane({"--build", ".", "my title.x.bmp"}, dir.path);
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.printed_out + run.printed_err, "");
  EXPECT_EQ(read_text(dir.file("my title.h")),
            "// The arrays morvane made from my title.x.bmp, for C and C++; they are defined in "
            "my title.s.\n"
            "#pragma once\n"
            "#ifdef __cplusplus\n"
            "extern \"C\" {\n"
            "#endif\n"
            "extern const unsigned short my_title_pal[16] __attribute__((aligned(4)));\n"
            "extern const unsigned short my_title_sp[32] __attribute__((aligned(4)));\n"
            "#ifdef __cplusplus\n"
            "}\n"
            "#endif\n");
  EXPECT_EQ(read_text(dir.file("my title.s")),
            "/* The arrays morvane made, for the GNU assembler: their bytes are read from the "
            "file .incbin names, found through -I. */\n"
            "\t.section \".rodata.my_title_pal\",\"a\",%progbits\n"
            "\t.balign 4\n"
            "\t.global \"my_title_pal\"\n"
            "\t.type \"my_title_pal\", %object\n"
            "\"my_title_pal\":\n"
            "\t.incbin \"my title.bin\", 0, 32\n"
            "\t.size \"my_title_pal\", 32\n"
            "\t.section \".rodata.my_title_sp\",\"a\",%progbits\n"
            "\t.balign 4\n"
            "\t.global \"my_title_sp\"\n"
            "\t.type \"my_title_sp\", %object\n"
            "\"my_title_sp\":\n"
            "\t.incbin \"my title.bin\", 32, 64\n"
            "\t.size \"my_title_sp\", 64\n");
  // A line end in a name ends no comment and no string.
  write_file(dir.file("two\nlines.col"), patterned(512, 12));
  ASSERT_EQ(run_morvane({"--build", ".", "two\nlines.col"}, dir.path).exit_status, 0);
  std::string header = read_text(dir.file("two\nlines.h"));
  EXPECT_EQ(header.substr(0, header.find('\n')),
            "// The arrays morvane made from two?lines.col, for C and C++; they are defined in "
            "two?lines.s.");
  EXPECT_NE(read_text(dir.file("two\nlines.s")).find("\n\t.incbin \"two\\012lines.bin\", 0, 512\n"),
            std::string::npos);
  // C++ takes the header as C does.
  write_text_file(dir.file("use.cpp"), "#include \"my title.h\"\n"
                                       "const unsigned short *first() { return my_title_sp; }\n");
  std::string compile = "c++ -std=c++17 -Wall -Werror -fsyntax-only -I'" + dir.path + "' '" +
                        dir.file("use.cpp") + "'";
  EXPECT_EQ(std::system(compile.c_str()), 0);
}

timespec modified(const std::string &path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_mtim;
}

bool same_time(const timespec &a, const timespec &b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// A time long past, so that any rewriting shows.
void make_old(const std::string &path) {
  const timespec old[2] = {{946684800, 0}, {946684800, 0}}; // 2000-01-01
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), old, 0), 0) << path;
}

TEST(BuildForm, TheTextsAreRewrittenOnlyWhenTheyChange) {
  ScratchDirectory dir;
  auto convert = [&dir](const Picture &picture) {
    write_file(dir.file("ship.bmp"), make_bitmap(classic_spec(picture, 4)));
    RunResult run = run_morvane({"--build", "out", "ship.bmp"}, dir.path);
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.printed_out + run.printed_err, "");
  };
  ASSERT_EQ(mkdir(dir.file("out").c_str(), 0755), 0);
  Picture picture = pattern_picture(16, 8, 4);
  convert(picture);
  std::string header = read_text(dir.file("out/ship.h"));
  std::string assembly = read_text(dir.file("out/ship.s"));
  Bytes values = read_file(dir.file("out/ship.bin"));
  for (const char *name : {"out/ship.h", "out/ship.s", "out/ship.bin"})
    make_old(dir.file(name));
  timespec old = modified(dir.file("out/ship.h"));

  // A pixel edit: new values, the same texts, which keep their time.
  picture[3][5] ^= 1;
  convert(picture);
  EXPECT_FALSE(read_file(dir.file("out/ship.bin")) == values);
  EXPECT_FALSE(same_time(modified(dir.file("out/ship.bin")), old));
  EXPECT_EQ(read_text(dir.file("out/ship.h")), header);
  EXPECT_TRUE(same_time(modified(dir.file("out/ship.h")), old));
  EXPECT_EQ(read_text(dir.file("out/ship.s")), assembly);
  EXPECT_TRUE(same_time(modified(dir.file("out/ship.s")), old));

  // Texts changed by hand are put right.
  write_text_file(dir.file("out/ship.h"), header + "// an edit\n");
  write_text_file(dir.file("out/ship.s"), assembly.substr(1));
  convert(picture);
  EXPECT_EQ(read_text(dir.file("out/ship.h")), header);
  EXPECT_EQ(read_text(dir.file("out/ship.s")), assembly);

  // A new size: new counts, new texts.
  for (const char *name : {"out/ship.h", "out/ship.s"})
    make_old(dir.file(name));
  convert(pattern_picture(16, 16, 4));
  EXPECT_NE(read_text(dir.file("out/ship.h")).find("ship_sp[64]"), std::string::npos);
  EXPECT_FALSE(same_time(modified(dir.file("out/ship.h")), old));
  EXPECT_NE(read_text(dir.file("out/ship.s")).find(", 32, 128\n"), std::string::npos);
  EXPECT_FALSE(same_time(modified(dir.file("out/ship.s")), old));
}

const char *const BuildFailure = "ファイルの読み込みに失敗しました！";

TEST(BuildForm, FailuresAreLinesAndAnExitStatusAndLoseNothing) {
  ScratchDirectory dir;
  ASSERT_EQ(mkdir(dir.file("gfx").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.file("out").c_str(), 0755), 0);
  write_file(dir.file("gfx/title.bmp"), make_bitmap(classic_spec(pattern_picture(16, 8, 4), 4)));
  write_file(dir.file("gfx/sky.col"), patterned(512, 7));
  write_file(dir.file("gfx/map.scr"), patterned(2048, 8));
  RunResult first = run_morvane({"--build", "out", "gfx/title.bmp", "gfx/sky.col"}, dir.path);
  ASSERT_EQ(first.exit_status, 0);
  auto earlier = directory_snapshot(dir.file("out"));
  ASSERT_EQ(earlier.size(), 6u);

  // A refused source leaves its earlier files as they were; the others convert.
  BitmapFields deep = classic_spec(pattern_picture(8, 8, 8), 8);
  deep.bits = 24;
  write_file(dir.file("gfx/title.bmp"), make_bitmap(deep));
  RunResult mixed = run_morvane({"--build", "out", "gfx/title.bmp", "gfx/map.scr"}, dir.path);
  EXPECT_EQ(mixed.exit_status, 1);
  EXPECT_EQ(mixed.printed_out, "");
  EXPECT_EQ(mixed.printed_err,
            "morvane: gfx/title.bmp: このファイルは１６色ｏｒ２５６色ビットマップ"
            "ではありません！ (24 bits per pixel, not 4 or 8)\n");
  auto after = directory_snapshot(dir.file("out"));
  ASSERT_EQ(after.size(), 9u);
  for (const auto &file : earlier)
    EXPECT_TRUE(std::find(after.begin(), after.end(), file) != after.end()) << file.first;

  // A write that fails (here a file size limit) loses nothing either.
  write_file(dir.file("gfx/title.bmp"), make_bitmap(classic_spec(pattern_picture(64, 64, 8), 8)));
  RunLimits limits;
  limits.file_size_limit = 1024;
  RunResult limited = run_morvane({"--build", "out", "gfx/title.bmp"}, dir.path, limits);
  EXPECT_EQ(limited.exit_status, 1);
  EXPECT_EQ(limited.printed_err, std::string("morvane: gfx/title.bmp: ") + BuildFailure +
                                     " (writing title.bin failed: File too large)\n");
  EXPECT_EQ(directory_snapshot(dir.file("out")), after);

  // A build directory that is missing, or no directory, fails every file, and is not made.
  write_file(dir.file("file"), Bytes(1, 0));
  auto sources = directory_snapshot(dir.file("gfx"));
  for (const char *directory : {"missing", "file"}) {
    RunResult lost = run_morvane({"--build", directory, "gfx/sky.col", "gfx/map.scr"}, dir.path);
    EXPECT_EQ(lost.exit_status, 1);
    EXPECT_EQ(lost.printed_out, "");
    std::string reason = std::string(" (cannot enter the build folder ") + directory +
                         (directory == std::string("file") ? ": Not a directory)\n"
                                                           : ": No such file or directory)\n");
    EXPECT_EQ(lost.printed_err, std::string("morvane: gfx/sky.col: ") + BuildFailure + reason +
                                    "morvane: gfx/map.scr: " + BuildFailure + reason);
  }
  EXPECT_FALSE(file_exists(dir.file("missing")));
  EXPECT_EQ(directory_snapshot(dir.file("gfx")), sources);
}

// Every relative path, the build directory's too, is taken from where the program started.
TEST(BuildForm, PathsAreTakenFromTheStartingDirectory) {
  ScratchDirectory dir, elsewhere;
  for (const char *name : {"a", "b", "out", "a/out"})
    ASSERT_EQ(mkdir(dir.file(name).c_str(), 0755), 0);
  write_file(dir.file("a/x.col"), patterned(512, 9));
  write_file(dir.file("b/y.scr"), patterned(2048, 10));
  RunResult run = run_morvane({"--build", "out", "a/x.col", "b/y.scr"}, dir.path);
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.printed_out + run.printed_err, "");
  EXPECT_EQ(directory_snapshot(dir.file("out")).size(), 6u);
  EXPECT_TRUE(directory_snapshot(dir.file("a/out")).empty());
  EXPECT_EQ(directory_snapshot(dir.file("b")).size(), 1u);

  RunResult absolute = run_morvane({"--build", elsewhere.path, dir.file("a/x.col")});
  EXPECT_EQ(absolute.exit_status, 0);
  EXPECT_EQ(read_file(elsewhere.file("x.bin")), read_file(dir.file("out/x.bin")));
}

TEST(BuildForm, WithoutADirectoryAndAFileItPrintsTheUsage) {
  ScratchDirectory dir;
  for (std::vector<std::string> arguments :
       {std::vector<std::string>{"--build"}, std::vector<std::string>{"--build", "."}}) {
    RunResult run = run_morvane(arguments, dir.path);
    EXPECT_EQ(run.exit_status, 2);
    EXPECT_EQ(run.printed_out, "");
    EXPECT_EQ(run.printed_err,
              "usage: morvane FILE.bmp|FILE.scr|FILE.cgx|FILE.col ...\n"
              "       morvane --build DIR FILE.bmp|FILE.scr|FILE.cgx|FILE.col ...\n");
  }
  EXPECT_TRUE(directory_snapshot(dir.path).empty());
}

// Stopped while it writes NAME.bin, a run leaves the earlier files whole and nothing else.
TEST(BuildForm, AnInterruptedRunLeavesTheEarlierFiles) {
  ScratchDirectory dir;
  ASSERT_EQ(mkdir(dir.file("out").c_str(), 0755), 0);
  // 4096 x 4096 pixels of 8 bits: 16 MiB of values, long enough to be caught in their middle.
  BitmapFields fields;
  fields.width = 4096;
  fields.height = 4096;
  fields.bits = 8;
  fields.table = colour_table(256);
  fields.pixel_data = patterned(std::size_t{4096} * 4096, 11);
  write_file(dir.file("big.bmp"), make_bitmap(classic_spec(pattern_picture(8, 8, 8), 8)));
  ASSERT_EQ(run_morvane({"--build", "out", "big.bmp"}, dir.path).exit_status, 0);
  auto before = directory_snapshot(dir.file("out"));
  write_file(dir.file("big.bmp"), make_bitmap(fields));
  for (int signal_number : {SIGINT, SIGTERM}) {
    RunLimits limits;
    limits.interrupt_signal = signal_number;
    RunResult run = run_morvane({"--build", "out", "big.bmp"}, dir.path, limits);
    ASSERT_TRUE(run.interrupted) << "the conversion ended before it could be interrupted";
    EXPECT_EQ(run.killed_by, signal_number);
    EXPECT_EQ(directory_snapshot(dir.file("out")), before);
  }
}

} // namespace
