// Where the output goes, what it is called, and that a failed conversion loses nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "app/dispatch.h"
#include "bitmap_builder.h"
#include "convert/common/output.h"
#include "platform/platform.h"
#include "support.h"

namespace {

std::string first_line_with(const std::string &text, const std::string &piece) {
  for (const std::string &line : crlf_lines(text))
    if (line.find(piece) != std::string::npos)
      return line;
  return "";
}

TEST(Output, TheBaseNameIsTheOwnNameCutAtItsFirstDot) {
  ScratchDirectory dir;
  write_file(dir.file("title.screen.col"), Bytes(512, 0));
  ASSERT_EQ(run_morvane({dir.file("title.screen.col")}).out, SuccessLine);
  EXPECT_EQ(first_line_with(read_text(dir.file("title.c")), "_pal"), "const u16 title_pal[256]=");
}

TEST(Output, ArrayNamesAreIdentifiersWhateverTheFileName) {
  struct Named {
    const char *source;
    std::size_t size; // of a patterned source; 0 for a bitmap
    const char *output;
    const char *array_base; // the source renamed to it converts to the very same text
  };
  const Named names[] = {
      {"ST-P.CGX", 32768, "ST-P.c", "ST_P"},
      {"1-3.SCR", 2048, "1-3.c", "_1_3"},
      {"MAP-OBJ.CGX", 32768, "MAP-OBJ.c", "MAP_OBJ"},
      {"title screen.bmp", 0, "title screen.c", "title_screen"},
      {"a+b(2).col", 512, "a+b(2).c", "a_b_2_"},
      {"9.scr", 2048, "9.c", "_9"},
      {"x$y.col", 512, "x$y.c", "x$y"},
      {"t\xC3\xADtulo.col", 512, "t\xC3\xADtulo.c", "t\xC3\xADtulo"},
      // The ends of the letter and digit ranges stay; the bytes beside them do not.
      {"AZaz09.col", 512, "AZaz09.c", "AZaz09"},
      {"0Z.scr", 2048, "0Z.c", "_0Z"},
      {"@[`{:.col", 512, "@[`{:.c", "_____"},
  };
  auto source_bytes = [](std::size_t size) {
    if (size == 0)
      return make_bitmap(classic_spec(pattern_picture(8, 8, 4), 4));
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
      bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return bytes;
  };
  ScratchDirectory dir, identifiers;
  std::string includes = "typedef unsigned short u16;\n";
  for (const Named &named : names) {
    std::string renamed = std::string(named.array_base) + std::strchr(named.source, '.');
    write_file(dir.file(named.source), source_bytes(named.size));
    write_file(identifiers.file(renamed), source_bytes(named.size));
    ASSERT_EQ(run_morvane({dir.file(named.source)}).out, SuccessLine) << named.source;
    ASSERT_EQ(run_morvane({identifiers.file(renamed)}).out, SuccessLine) << renamed;
    // Only the array names change: the output keeps the source's base name.
    std::string text = read_text(dir.file(named.output));
    EXPECT_NE(text.find(std::string("\r\nconst u16 ") + named.array_base + "_"), text.npos)
        << named.source;
    EXPECT_EQ(text, read_text(identifiers.file(std::string(named.array_base) + ".c")))
        << named.source;
    includes += std::string("#include \"") + named.output + "\"\n";
  }
  // A source with no base name at all keeps the bare suffixes.
  write_file(dir.file(".col"), Bytes(512, 0));
  ASSERT_EQ(run_morvane({dir.file(".col")}).out, SuccessLine);
  EXPECT_EQ(first_line_with(read_text(dir.file(".c")), "_pal"), "const u16 _pal[256]=");
  includes += "#include \".c\"\n";

  EXPECT_EQ(c_compiler_complaints(includes, dir.path), "");
}

TEST(Output, GoesBesideTheSourceWhateverTheWorkingDirectory) {
  ScratchDirectory source_dir, working_dir;
  write_file(source_dir.file("sky.col"), Bytes(512, 0));
  ASSERT_EQ(run_morvane({source_dir.file("sky.col")}, working_dir.path).out, SuccessLine);
  EXPECT_TRUE(file_exists(source_dir.file("sky.c")));
  EXPECT_TRUE(directory_snapshot(working_dir.path).empty());

  // A bare file name stays in the working directory.
  ASSERT_EQ(run_morvane({"sky.col"}, source_dir.path).out, SuccessLine);
  EXPECT_EQ(directory_snapshot(source_dir.path).size(), 2u);
}

TEST(Output, ReplacesAnEarlierOutputAndLeavesNoTemporaryFile) {
  ScratchDirectory dir;
  write_file(dir.file("title.col"), Bytes(512, 0xFF));
  write_text_file(dir.file("title.c"), "an earlier output of title.bmp\n");
  ASSERT_EQ(run_morvane({dir.file("title.col")}).out, SuccessLine);
  EXPECT_EQ(first_line_with(read_text(dir.file("title.c")), "RGB(31"),
            "RGB(31,31,31),RGB(31,31,31),RGB(31,31,31),RGB(31,31,31),");
  auto after = directory_snapshot(dir.path);
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0].first, "title.c");
  EXPECT_EQ(after[1].first, "title.col");

  // The output gets the permissions of any new file, not those of a private temporary one.
  struct stat info;
  ASSERT_EQ(stat(dir.file("title.c").c_str(), &info), 0);
  mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

TEST(Output, AWriteOrRenameThatFailsReportsFailureAndKeepsTheEarlierOutput) {
  ScratchDirectory dir;
  write_file(dir.file("title.col"), Bytes(512, 0));
  std::string earlier = "const u16 title_pal[1] = {0};\n";
  write_text_file(dir.file("title.c"), earlier);
  auto before = directory_snapshot(dir.path);

  // The palette text is over 4 KiB; a 1 KiB file size limit makes its writing fail.
  RunLimits limits;
  limits.file_size_limit = 1024;
  RunResult run = run_morvane({dir.file("title.col")}, ".", limits);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, ReadFailedLine);
  EXPECT_EQ(run.reason, "writing title.c failed: File too large");
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(directory_snapshot(dir.path), before);

  // A complete output that cannot take its name (a directory holds it) is a failure too.
  ScratchDirectory taken;
  write_file(taken.file("title.col"), Bytes(512, 0));
  ASSERT_EQ(mkdir(taken.file("title.c").c_str(), 0755), 0);
  before = directory_snapshot(taken.path);
  run = run_morvane({taken.file("title.col")});
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, ReadFailedLine);
  EXPECT_EQ(run.reason, "writing title.c failed: Is a directory");
  EXPECT_EQ(directory_snapshot(taken.path), before);
}

// A link can give a source the name of its own output: s.bmp leading to s.c. Converting it
// would replace the source with the text made from it, so it is refused and the source kept,
// by each converter, and so is a second name (a hard link) of the source. A link that is itself
// named like the output is replaced, whatever it leads to, and that file is kept.
TEST(Output, AnOutputNeverReplacesItsOwnSource) {
  ScratchDirectory dir;
  const std::pair<const char *, Bytes> sources[] = {
      {"bmp", make_bitmap(classic_spec(pattern_picture(8, 8, 4), 4))},
      {"scr", Bytes(2048, 0x12)},
      {"cgx", Bytes(32768, 0x34)},
      {"col", Bytes(512, 0x56)},
  };
  for (const auto &[extension, bytes] : sources) {
    SCOPED_TRACE(extension);
    std::string kind = std::string(extension);
    write_file(dir.file("s" + kind + ".c"), bytes);
    ASSERT_EQ(symlink(("s" + kind + ".c").c_str(), dir.file("s" + kind + "." + kind).c_str()), 0);
    write_file(dir.file("h" + kind + ".c"), bytes);
    ASSERT_EQ(link(dir.file("h" + kind + ".c").c_str(), dir.file("h" + kind + "." + kind).c_str()),
              0);
    auto before = directory_snapshot(dir.path);
    for (std::string name : {"s", "h"}) {
      RunResult run = run_morvane({dir.file(name + kind + "." + kind)});
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(run.err, ReadFailedLine);
      EXPECT_EQ(run.reason, "writing " + name + kind + ".c would replace the source itself");
      EXPECT_EQ(directory_snapshot(dir.path), before) << name;
    }
  }

  ScratchDirectory elsewhere;
  write_text_file(elsewhere.file("other.c"), "another source's output\n");
  write_file(dir.file("p.col"), Bytes(512, 0));
  write_file(dir.file("q.col"), Bytes(512, 0));
  ASSERT_EQ(symlink("p.col", dir.file("p.c").c_str()), 0);
  ASSERT_EQ(symlink(elsewhere.file("other.c").c_str(), dir.file("q.c").c_str()), 0);
  for (const char *name : {"p", "q"}) {
    ASSERT_EQ(run_morvane({dir.file(std::string(name) + ".col")}).out, SuccessLine) << name;
    struct stat info;
    ASSERT_EQ(lstat(dir.file(std::string(name) + ".c").c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode)) << name;
  }
  EXPECT_EQ(read_file(dir.file("p.col")), Bytes(512, 0));
  EXPECT_EQ(read_text(elsewhere.file("other.c")), "another source's output\n");
}

// A process has no temporary output while it starts a conversion, so one of its own number is
// left from an earlier process that had the number (killed, its number given again): removed.
TEST(Output, AHiddenFileOfThisProcesssOwnNumberIsLeftFromAnEarlierOne) {
  KeepWorkingDirectory keep;
  ScratchDirectory dir;
  write_file(dir.file("title.col"), Bytes(512, 0));
  std::string left = ".morvane-" + std::to_string(getpid()) + "-3";
  write_text_file(dir.file(left), "left by an earlier process of this number");
  ASSERT_EQ(convert_path(dir.file("title.col").c_str()).result, ResultSuccess);
  EXPECT_FALSE(file_exists(dir.file(left)));
  EXPECT_EQ(directory_snapshot(dir.path).size(), 2u);
}

// A run reads each directory it writes into once for what ended processes left, not once per
// output; a directory it returns to after another is read again, and so is a new directory that
// takes the place (and perhaps the inode) of one read before.
TEST(Output, EachDirectoryOfARunIsClearedOfWhatEndedProcessesLeft) {
  KeepWorkingDirectory keep;
  pid_t ended = fork();
  if (ended == 0)
    _exit(0);
  ASSERT_GT(ended, 0);
  ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
  std::string left = ".morvane-" + std::to_string(ended) + "-0";
  for (int round = 0; round < 2; ++round) {
    ScratchDirectory first, second;
    for (const ScratchDirectory *dir : {&first, &second})
      write_file(dir->file("title.col"), Bytes(512, 0));
    for (const ScratchDirectory *dir : {&first, &second, &first}) {
      write_text_file(dir->file(left), "left by a process that has ended");
      ASSERT_EQ(convert_path(dir->file("title.col").c_str()).result, ResultSuccess);
      EXPECT_FALSE(file_exists(dir->file(left))) << "round " << round;
    }
  }
}

// Only a regular file is a source: a directory, a device (which reads as endless zeros or
// nothing at all) and a FIFO with no writer (which would make a plain open wait for ever) are
// refused at once, like a missing file.
TEST(Output, ASourceThatIsMissingOrNoRegularFileLeavesTheDirectoryAsItWas) {
  ScratchDirectory dir;
  write_text_file(dir.file("title.c"), "an earlier output\n");
  std::vector<std::string> names;
  for (const char *extension : {".bmp", ".scr", ".cgx", ".col"}) {
    names.push_back(std::string("missing") + extension);
    names.push_back(std::string("folder") + extension);
    ASSERT_EQ(mkdir(dir.file(names.back()).c_str(), 0755), 0);
    names.push_back(std::string("zero") + extension);
    ASSERT_EQ(symlink("/dev/zero", dir.file(names.back()).c_str()), 0);
    names.push_back(std::string("null") + extension);
    ASSERT_EQ(symlink("/dev/null", dir.file(names.back()).c_str()), 0);
    names.push_back(std::string("pipe") + extension);
    ASSERT_EQ(mkfifo(dir.file(names.back()).c_str(), 0644), 0);
  }
  auto before = directory_snapshot(dir.path);
  RunLimits limits;
  limits.seconds = 5;
  for (const std::string &name : names) {
    RunResult run = run_morvane({dir.file(name)}, ".", limits);
    EXPECT_EQ(run.exit_status, 0) << name;
    EXPECT_EQ(run.out, "") << name;
    EXPECT_EQ(run.err, ReadFailedLine) << name;
    // A device or FIFO is an argument the program does not take.
    const char *reason = name.starts_with("missing")  ? "cannot open: No such file or directory"
                         : name.starts_with("folder") ? "cannot open: Is a directory"
                                                      : "cannot open: Invalid argument";
    EXPECT_EQ(run.reason, reason) << name;
    EXPECT_EQ(directory_snapshot(dir.path), before) << name;
  }
}

TEST(Output, TheDirectoryPartKeepsARoot) {
  char directory[PathCapacity];
  ASSERT_TRUE(directory_part("/title.col", directory, sizeof directory));
  EXPECT_STREQ(directory, "/");
  ASSERT_TRUE(directory_part("/gfx/title.col", directory, sizeof directory));
  EXPECT_STREQ(directory, "/gfx");
  ASSERT_TRUE(directory_part("title.col", directory, sizeof directory));
  EXPECT_STREQ(directory, "");
}

std::string written_by(void (*write)(TextWriter &)) {
  std::FILE *file = std::tmpfile();
  static TextWriter writer;
  start_writer(writer, file);
  write(writer);
  EXPECT_TRUE(flush_writer(writer));
  std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  EXPECT_EQ(std::fread(text.data(), 1, text.size(), file), text.size());
  std::fclose(file);
  return text;
}

TEST(TextWriter, NumberFormatsAndLineEnds) {
  EXPECT_EQ(written_by([](TextWriter &w) {
              write_hex(w, 10);
              write_text(w, " ");
              write_hex(w, 0xFFFF);
              write_text(w, " ");
              write_hex(w, 0x10000);
              write_text(w, "\n");
            }),
            "0x000a 0xffff 0x10000\r\n");
  EXPECT_EQ(written_by([](TextWriter &w) {
              write_decimal(w, 0);
              write_text(w, ",");
              write_decimal(w, -16);
              write_text(w, ",");
              write_decimal(w, 2147483647);
              write_text(w, ",");
              write_decimal(w, 99999);
              write_text(w, ",");
              write_decimal(w, 100000);
              write_text(w, ",");
              write_decimal(w, std::numeric_limits<long long>::min());
              write_text(w, ",");
              write_hex(w, std::numeric_limits<unsigned long long>::max());
              write_text(w, "\n\n");
            }),
            "0,-16,2147483647,99999,100000,-9223372036854775808,0xffffffffffffffff\r\n\r\n");
  EXPECT_EQ(written_by([](TextWriter &w) {
              write_colour(w, 0, 5, 31);
              write_colour(w, 10, 9, 30);
            }),
            "RGB( 0, 5,31)RGB(10, 9,30)");
  // More text than the buffer holds arrives whole and in order, short pieces and long ones
  // crossing the ends of blocks.
  std::string long_text = written_by([](TextWriter &w) {
    for (int i = 0; i < 300000; ++i)
      write_text(w, i % 3 == 0 ? "a longer piece of text\n" : "abc\n");
  });
  std::string expected;
  for (int i = 0; i < 300000; ++i)
    expected += i % 3 == 0 ? "a longer piece of text\r\n" : "abc\r\n";
  EXPECT_EQ(long_text.size(), expected.size());
  EXPECT_TRUE(long_text == expected);
}

TEST(TextWriter, HandsOnWholeBlocks) {
  // glibc's cookie streams show the writes a stream hands on; no POSIX call does.
#if !defined(__GLIBC__) || !defined(_GNU_SOURCE)
  GTEST_SKIP() << "needs glibc's fopencookie to see the writes a stream hands on";
#else
  // Every write but the last is one whole block of 1 MiB, so the file is written in whole pages.
  constexpr std::size_t Block = 1 << 20;
  std::vector<std::size_t> sizes;
  cookie_io_functions_t functions{};
  functions.write = [](void *recorded, const char *, size_t size) {
    static_cast<std::vector<std::size_t> *>(recorded)->push_back(size);
    return static_cast<ssize_t>(size);
  };
  std::FILE *stream = fopencookie(&sizes, "w", functions);
  ASSERT_NE(stream, nullptr);
  static TextWriter writer;
  start_writer(writer, stream);
  for (int i = 0; i < 1000000; ++i)
    write_hex(writer, static_cast<unsigned>(i) & 0xFFFF); // 6 bytes: no block ends on a piece
  ASSERT_TRUE(flush_writer(writer));
  std::fclose(stream);
  ASSERT_EQ(sizes.size(), 6u);
  for (std::size_t i = 0; i + 1 < sizes.size(); ++i)
    EXPECT_EQ(sizes[i], Block);
  EXPECT_EQ(sizes.back(), 6000000 - 5 * Block);
#endif
}

TEST(TextWriter, CharactersWholeAndLongPiecesInParts) {
  // A character's rows from bytes a step apart (here 0: one row eight times), little-endian
  // values; the array's last character ends at its last value.
  std::string characters = written_by([](TextWriter &w) {
    const unsigned char row[] = {0x34, 0x12, 0xCD, 0xAB, 0x00, 0x00, 0xFF, 0xFF};
    write_character(w, 7, row, 0, 2, false);
    write_character(w, 1048575, row, 0, 4, true);
  });
  std::string header = "// \xB7\xAC\xD7\xB8\xC0 No.";
  std::string expected_characters = header + "7 (0x0007)\r\n";
  for (int row = 0; row < 8; ++row)
    expected_characters += "0x1234, 0xabcd, \r\n";
  expected_characters += header + "1048575 (0xfffff)\r\n";
  for (int row = 0; row < 8; ++row)
    expected_characters +=
        row < 7 ? "0x1234, 0xabcd, 0x0000, 0xffff, \r\n" : "0x1234, 0xabcd, 0x0000, 0xffff";
  EXPECT_EQ(characters, expected_characters);
  // A piece longer than the room kept for one arrives whole, its line ends turned.
  static std::string long_piece;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    long_piece += i % 7 == 6 ? '\n' : static_cast<char>('a' + i % 26);
    expected += i % 7 == 6 ? "\r\n" : std::string(1, static_cast<char>('a' + i % 26));
  }
  EXPECT_TRUE(written_by([](TextWriter &w) { write_text(w, long_piece); }) == expected);
}

// The same calls in the values sink: the elements alone, little-endian, and where each array
// begins among them, past the first blocks handed on too.
TEST(TextWriter, TheValuesSinkKeepsElementsAndArrayStarts) {
  std::FILE *file = std::tmpfile();
  static TextWriter writer;
  start_value_writer(writer, file);
  write_text(writer, "const u16 ");
  write_decimal(writer, 12);
  start_array(writer, "base", "_map", 3);
  write_hex(writer, 0x1234);
  write_text(writer, ",\n");
  write_colour(writer, 31, 0, 1);
  write_colour(writer, 0, 31, 30);
  const unsigned char rows[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
  constexpr int Characters = 20000; // over a mebibyte of elements
  for (int i = 0; i < Characters; ++i)
    write_character(writer, i, rows, 0, 4, false); // one row of four values eight times
  start_array(writer, "base", "_sp", 0);
  ASSERT_TRUE(flush_writer(writer));

  Bytes expected = {0x34, 0x12, 0x1F, 0x04, 0xE0, 0x7B};
  for (int i = 0; i < Characters; ++i)
    for (int row = 0; row < 8; ++row)
      expected.insert(expected.end(), rows, rows + 8);
  std::rewind(file);
  Bytes bytes(expected.size() + 1);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
  EXPECT_TRUE(bytes == expected);
  ASSERT_EQ(writer.array_count, 2);
  EXPECT_STREQ(writer.arrays[0].name, "base_map");
  EXPECT_EQ(writer.arrays[0].count, 3);
  EXPECT_EQ(writer.arrays[0].start, 0u);
  EXPECT_STREQ(writer.arrays[1].name, "base_sp");
  EXPECT_EQ(writer.arrays[1].count, 0);
  EXPECT_EQ(writer.arrays[1].start, expected.size());
}

} // namespace
