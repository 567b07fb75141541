// Choosing the converter by extension, and the outcome lines of the command-line program.
#include <gtest/gtest.h>

#include "app/dispatch.h"
#include "support.h"

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

TEST(CommandLine, EachOutcomePrintsItsLineAndExitsWithZero) {
  ScratchDirectory dir;
  write_file(dir.file("PALETTE.COL"), Bytes(512, 0));
  write_file(dir.file("picture.col."), Bytes(512, 0));
  write_file(dir.file("notes.txt"), Bytes(4, 'x'));

  RunResult converted = run_morvane({dir.file("PALETTE.COL")});
  EXPECT_EQ(converted.out, SuccessLine);
  EXPECT_EQ(converted.err, "");
  EXPECT_EQ(converted.exit_status, 0);
  EXPECT_TRUE(file_exists(dir.file("PALETTE.c")));

  for (const char *name : {"picture.col.", "notes.txt"}) {
    RunResult unsupported = run_morvane({dir.file(name)});
    EXPECT_EQ(unsupported.out, "");
    EXPECT_EQ(unsupported.err, UnsupportedLine) << name;
    EXPECT_EQ(unsupported.exit_status, 0);
  }
  // A supported extension whose file is missing is a read failure, not an unsupported one.
  RunResult missing = run_morvane({dir.file("missing.col")});
  EXPECT_EQ(missing.err, ReadFailedLine);
  EXPECT_EQ(missing.exit_status, 0);

  EXPECT_EQ(directory_snapshot(dir.path).size(), 4u) << "only PALETTE.c was added";
}

TEST(CommandLine, HelpAndVersionPrintOnStandardOutputAndConvertNothing) {
  ScratchDirectory dir;
  for (const char *option : {"--help", "-h"}) {
    RunResult help = run_morvane({option}, dir.path);
    EXPECT_EQ(help.exit_status, 0) << option;
    EXPECT_EQ(help.err, "") << option;
    EXPECT_EQ(help.out.rfind("usage: morvane FILE.bmp|FILE.scr|FILE.cgx|FILE.col\n", 0), 0u)
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
}

TEST(CommandLine, WithoutExactlyOnePathPrintsUsage) {
  for (const std::vector<std::string> &arguments :
       {std::vector<std::string>{}, std::vector<std::string>{"a.col", "b.col"}}) {
    RunResult run = run_morvane(arguments);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("usage: morvane ", 0), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line";
    EXPECT_NE(run.exit_status, 0);
  }
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
  EXPECT_EQ(too_long.exit_status, 0);
  EXPECT_EQ(directory_snapshot(dir.path), before);
}

} // namespace
