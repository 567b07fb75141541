// Choosing the converter by extension, and the outcome lines of the command-line program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <sys/stat.h>

#include "app/dispatch.h"
#include "bitmap_builder.h"

namespace {

ConversionKind kind_of(const char *path) {
  EXPECT_TRUE(set_source_path(path));
  ConversionKind kind = classify_source();
  EXPECT_STREQ(SourcePath, path) << "classifying must not change the path";
  return kind;
}

TEST(Dispatch, ExtensionsChooseTheirKindInAnyLetterCase) {
  EXPECT_EQ(kind_of("PICTURE.BMP"), KindBitmap);
  EXPECT_EQ(kind_of("picture.Bmp"), KindBitmap);
  EXPECT_EQ(kind_of("/gfx/picture.bmp"), KindBitmap);
  EXPECT_EQ(kind_of("title.scr"), KindScreen);
  EXPECT_EQ(kind_of("title.CGX"), KindCharacter);
  EXPECT_EQ(kind_of("archive.tar.col"), KindPalette);
}

TEST(Dispatch, OnlyAWholeLastExtensionCounts) {
  EXPECT_EQ(kind_of("C:\\old.dir\\readme"), KindNone);
  EXPECT_EQ(kind_of("/old.bmp/readme"), KindNone);
  EXPECT_EQ(kind_of("picture.bmp."), KindNone);
  EXPECT_EQ(kind_of("picture.bmpx"), KindNone);
  EXPECT_EQ(kind_of("picture.bm"), KindNone);
  EXPECT_EQ(kind_of("picture.col.bak"), KindNone);
  EXPECT_EQ(kind_of("\"picture.bmp\""), KindNone);
  EXPECT_EQ(kind_of("bmp"), KindNone);
  EXPECT_EQ(kind_of(""), KindNone);
}

TEST(Dispatch, PathsThatDoNotFitThePathBufferAreRefused) {
  ASSERT_TRUE(set_source_path("before.col"));
  EXPECT_TRUE(set_source_path(std::string(255, 'a').c_str()));
  EXPECT_EQ(std::string(SourcePath), std::string(255, 'a'));
  EXPECT_FALSE(set_source_path(std::string(256, 'b').c_str()));
  EXPECT_EQ(std::string(SourcePath), std::string(255, 'a'));
}

TEST(CommandLine, EachOutcomePrintsItsLineNamingThePathAndExitsWithZero) {
  ScratchDirectory dir;
  write_file(dir.file("PALETTE.COL"), Bytes(512, 0));
  write_file(dir.file("picture.col."), Bytes(512, 0));
  write_file(dir.file("notes.txt"), Bytes(4, 'x'));
  write_file(dir.file("notes"), Bytes(4, 'x'));

  RunResult converted = run_morvane({"PALETTE.COL"}, dir.path);
  EXPECT_EQ(converted.printed_out, "PALETTE.COL: 成功: ファイルの変換に成功しました！\n");
  EXPECT_EQ(converted.printed_err, "");
  EXPECT_EQ(converted.exit_status, 0);
  EXPECT_TRUE(file_exists(dir.file("PALETTE.c")));

  struct Refusal {
    const char *name;
    const char *line;
  };
  for (Refusal refusal : {
           Refusal{"picture.col.", "このファイル形式には対応していません！ (the extension "
                                   "\"col.\" is not known)"},
           Refusal{"notes.txt", "このファイル形式には対応していません！ (the extension "
                                "\"txt\" is not known)"},
           Refusal{"notes", "このファイル形式には対応していません！ (the name has no extension)"},
           // A supported extension whose file is missing is a read failure, not an unsupported
           // one.
           Refusal{"missing.col", "ファイルの読み込みに失敗しました！ (cannot open: No such file "
                                  "or directory)"},
       }) {
    RunResult run = run_morvane({dir.file(refusal.name)});
    EXPECT_EQ(run.printed_out, "");
    EXPECT_EQ(run.printed_err, "morvane: " + dir.file(refusal.name) + ": " + refusal.line + "\n");
    EXPECT_EQ(run.exit_status, 0);
  }
  EXPECT_EQ(directory_snapshot(dir.path).size(), 5u) << "only PALETTE.c was added";
}

// Each conversion moves into its source's directory, yet every relative path is taken from
// where the program started: a decoy where a path would lead from the previous source's
// directory is never converted.
TEST(CommandLine, SeveralPathsConvertInTurnALineEach) {
  ScratchDirectory dir;
  ASSERT_EQ(mkdir(dir.file("a").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.file("b").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.file("a/b").c_str(), 0755), 0);
  write_file(dir.file("a/x.col"), Bytes(512, 0));
  write_file(dir.file("b/y.col"), Bytes(512, 0x11));
  write_file(dir.file("a/b/y.col"), Bytes(512, 0x22));
  write_file(dir.file("z.col"), Bytes(512, 0x33));

  RunResult run =
      run_morvane({"a/x.col", "b/y.col", "missing.col", dir.file("z.col"), "z.col"}, dir.path);
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.printed_out, "a/x.col: 成功: ファイルの変換に成功しました！\n"
                             "b/y.col: 成功: ファイルの変換に成功しました！\n" +
                                 dir.file("z.col") +
                                 ": 成功: ファイルの変換に成功しました！\n"
                                 "z.col: 成功: ファイルの変換に成功しました！\n");
  EXPECT_EQ(run.printed_err, "morvane: missing.col: ファイルの読み込みに失敗しました！ (cannot "
                             "open: No such file or directory)\n");
  EXPECT_TRUE(file_exists(dir.file("a/x.c")));
  EXPECT_TRUE(file_exists(dir.file("b/y.c")));
  EXPECT_TRUE(file_exists(dir.file("z.c")));
  EXPECT_FALSE(file_exists(dir.file("a/b/y.c"))) << "the decoy was converted";

  // Two paths alone: the second is taken from the starting directory too.
  std::remove(dir.file("b/y.c").c_str());
  RunResult two = run_morvane({"a/x.col", "b/y.col"}, dir.path);
  EXPECT_EQ(two.printed_out, "a/x.col: 成功: ファイルの変換に成功しました！\n"
                             "b/y.col: 成功: ファイルの変換に成功しました！\n");
  EXPECT_EQ(two.printed_err, "");
  EXPECT_TRUE(file_exists(dir.file("b/y.c")));
  EXPECT_FALSE(file_exists(dir.file("a/b/y.c"))) << "the decoy was converted";

  // Both streams in one file, as a build log takes them: the lines stand in the paths' order.
  std::string logged =
      "cd '" + dir.path + "' && '" MORVANE_EXE "' a/x.col missing.col b/y.col >log 2>&1";
  ASSERT_EQ(std::system(logged.c_str()), 0);
  EXPECT_EQ(read_text(dir.file("log")),
            "a/x.col: 成功: ファイルの変換に成功しました！\n"
            "morvane: missing.col: ファイルの読み込みに失敗しました！ (cannot open: No such file "
            "or directory)\n"
            "b/y.col: 成功: ファイルの変換に成功しました！\n");
}

// A starting directory that may be searched but not read (mode 0311) is returned to all the
// same, for every path, and converted in: nothing there is read but the sources named, so a
// temporary file left by a process that is gone stays until a conversion may look.
TEST(CommandLine, AStartingDirectoryThatMayNotBeReadServesEveryPath) {
  ScratchDirectory dir;
  std::string start = dir.file("start");
  ASSERT_EQ(mkdir(start.c_str(), 0755), 0);
  ASSERT_EQ(mkdir((start + "/a").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((start + "/b").c_str(), 0755), 0);
  write_file(start + "/a/x.col", Bytes(512, 0));
  write_file(start + "/b/y.col", Bytes(512, 0));
  write_file(start + "/z.col", Bytes(512, 0));
  std::string left = ".morvane-" + std::to_string(run_morvane({}).pid) + "-0";
  write_text_file(start + "/" + left, "left by a process that is gone");
  ASSERT_EQ(chmod(start.c_str(), 0311), 0);
  RunLimits limits;
  limits.without_root_override = true;
  RunResult run = run_morvane({"a/x.col", "z.col", "b/y.col"}, start, limits);
  ASSERT_EQ(chmod(start.c_str(), 0755), 0);
  if (run.exit_status == 125)
    GTEST_SKIP() << "root cannot give up its power to read any directory here";
  EXPECT_EQ(run.printed_out, "a/x.col: 成功: ファイルの変換に成功しました！\n"
                             "z.col: 成功: ファイルの変換に成功しました！\n"
                             "b/y.col: 成功: ファイルの変換に成功しました！\n");
  EXPECT_EQ(run.printed_err, "");
  for (const char *output : {"/a/x.c", "/z.c", "/b/y.c"})
    EXPECT_TRUE(file_exists(start + output)) << output;
  EXPECT_TRUE(file_exists(start + "/" + left)) << "the directory was read after all";
}

TEST(CommandLine, HelpAndVersionPrintOnStandardOutputAndConvertNothing) {
  ScratchDirectory dir;
  for (const char *option : {"--help", "-h"}) {
    RunResult help = run_morvane({option}, dir.path);
    EXPECT_EQ(help.exit_status, 0) << option;
    EXPECT_EQ(help.err, "") << option;
    EXPECT_EQ(help.out.rfind("usage: morvane FILE.bmp|FILE.scr|FILE.cgx|FILE.col ...\n", 0), 0u)
        << help.out;
    for (const char *kind : {"\n  .bmp ", "\n  .scr ", "\n  .cgx ", "\n  .col "})
      EXPECT_NE(help.out.find(kind), std::string::npos) << option << " names " << kind;
  }
  RunResult version = run_morvane({"--version"}, dir.path);
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_EQ(version.out, std::string("morvane ") + MORVANE_VERSION + "\n");
  EXPECT_EQ(version.err, "");
  EXPECT_TRUE(directory_snapshot(dir.path).empty());

  // Only the whole argument is an option; anything else is a path to convert.
  RunResult near = run_morvane({"--helpx"}, dir.path);
  EXPECT_EQ(near.out, "");
  EXPECT_EQ(near.err, UnsupportedLine);

  // An option is one only alone: beside a path it is a path itself, and the path converts.
  write_file(dir.file("a.col"), Bytes(512, 0));
  RunResult beside = run_morvane({"--help", "a.col"}, dir.path);
  EXPECT_EQ(beside.printed_out, "a.col: 成功: ファイルの変換に成功しました！\n");
  EXPECT_EQ(beside.printed_err, "morvane: --help: このファイル形式には対応していません！ (the "
                                "name has no extension)\n");
  EXPECT_EQ(beside.exit_status, 0);
  EXPECT_TRUE(file_exists(dir.file("a.c")));
}

TEST(CommandLine, WithoutAPathPrintsUsage) {
  RunResult run = run_morvane({});
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "usage: morvane FILE.bmp|FILE.scr|FILE.cgx|FILE.col ...\n"
                     "       morvane --build DIR FILE.bmp|FILE.scr|FILE.cgx|FILE.col ...\n");
  EXPECT_EQ(run.exit_status, 2);
}

TEST(CommandLine, APathOf256BytesIsRefusedAnd255Fit) {
  ScratchDirectory dir;
  // 251 + ".col" is a 255-byte relative path and a file name the file system accepts.
  std::string name = std::string(251, 'p') + ".col";
  write_file(dir.file(name), Bytes(512, 0));

  RunResult fits = run_morvane({name}, dir.path);
  EXPECT_EQ(fits.out, SuccessLine);
  EXPECT_TRUE(file_exists(dir.file(std::string(251, 'p') + ".c")));

  auto before = directory_snapshot(dir.path);
  RunResult too_long = run_morvane({"./" + name}, dir.path);
  EXPECT_EQ(too_long.err, ReadFailedLine);
  EXPECT_EQ(too_long.reason, "the path is 257 bytes long; at most 255 fit");
  EXPECT_EQ(too_long.exit_status, 0);
  EXPECT_EQ(directory_snapshot(dir.path), before);
}

// The README's Makefile rule, taken from it as it stands, under make -j4 with several sources:
// each line names its file, so the refused one is told apart from the rest and matches make's
// error for its output.
TEST(CommandLine, UnderParallelMakeEachLineNamesItsFile) {
  std::string readme = read_text(MORVANE_SOURCE_DIR "/README.md");
  std::size_t start = readme.find("```make\n");
  ASSERT_NE(start, std::string::npos);
  start += std::strlen("```make\n");
  std::size_t end = readme.find("```\n", start);
  ASSERT_NE(end, std::string::npos);
  ScratchDirectory dir;
  write_text_file(dir.file("Makefile"), readme.substr(start, end - start));
  ASSERT_EQ(mkdir(dir.file("gfx").c_str(), 0755), 0);
  std::vector<std::string> converted = {"gfx/one.col", "gfx/two.col", "gfx/three.col",
                                        "gfx/four.bmp", "gfx/five.bmp"};
  std::string targets = "gfx/bad.c";
  for (const std::string &source : converted) {
    if (source.ends_with(".col"))
      write_file(dir.file(source), Bytes(512, static_cast<std::uint8_t>(source.size())));
    else
      write_file(dir.file(source), make_bitmap(classic_spec(pattern_picture(8, 16, 4), 4)));
    targets += ' ';
    targets += source.substr(0, source.size() - 4) + ".c";
  }
  BitmapFields deep = classic_spec(pattern_picture(8, 8, 8), 8);
  deep.bits = 24;
  write_file(dir.file("gfx/bad.bmp"), make_bitmap(deep));

  std::string make = "make -j4 -k -C '" + dir.path + "' MORVANE='" MORVANE_EXE "' " + targets +
                     " >'" + dir.file("log") + "' 2>&1";
  EXPECT_NE(std::system(make.c_str()), 0) << "the refused bitmap fails make";
  std::vector<std::string> lines;
  std::istringstream log(read_text(dir.file("log")));
  for (std::string line; std::getline(log, line);)
    lines.push_back(line);
  auto count = [&lines](const std::string &wanted) {
    return std::count(lines.begin(), lines.end(), wanted);
  };
  for (const std::string &source : converted)
    EXPECT_EQ(count(source + ": 成功: ファイルの変換に成功しました！"), 1) << source;
  EXPECT_EQ(count("morvane: gfx/bad.bmp: このファイルは１６色ｏｒ２５６色ビットマップではありません"
                  "！ (24 bits per pixel, not 4 or 8)"),
            1);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string &line) {
                            return line.find("gfx/bad.c] Error 1") != std::string::npos;
                          }),
            1);
  EXPECT_EQ(count("成功: ファイルの変換に成功しました！"), 0) << "a line that names no file";
}

} // namespace
