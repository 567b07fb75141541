// Damaged and concurrent use of the real program: every cut-off sample ends in one of the five
// outcomes with either a complete output or none, and simultaneous conversions never tear a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "app/dispatch.h"
#include "bitmap_builder.h"

namespace {

const char *const OutcomeLines[] = {SuccessLine, UnsupportedLine, ReadFailedLine,
                                    NotIndexedBitmapLine, SizeNotMultipleOf8Line};

bool is_outcome_line(const std::string &printed) {
  for (const char *line : OutcomeLines)
    if (printed == line)
      return true;
  return false;
}

bool ends_with(const std::string &text, const std::string &end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Every output ends with the closing line of its last array.
bool is_complete_output(const std::string &text) {
  return ends_with(text, "\r\n};\r\n") || ends_with(text, "\r\n};\r\n\r\n");
}

// The first bytes one by one, the cuts at the ends of the bitmap headers and colour tables, and
// about thirty more spread over the whole file. (Every prefix of a bitmap is tried in-process by
// the bitmap tests; this is the real program end to end.)
std::vector<std::size_t> prefix_lengths(std::size_t size) {
  std::vector<std::size_t> lengths = {53, 54, 55, 117, 118, 119, 1077, 1078, 1079, size - 1, size};
  for (std::size_t length = 0; length <= 16; ++length)
    lengths.push_back(length);
  for (std::size_t step = 1; step < 30; ++step)
    lengths.push_back(size * step / 30);
  lengths.erase(std::remove_if(lengths.begin(), lengths.end(),
                               [size](std::size_t length) { return length > size; }),
                lengths.end());
  std::sort(lengths.begin(), lengths.end());
  lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
  return lengths;
}

TEST(Robustness, EveryPrefixOfEverySampleEndsInOneOutcomeAndAWholeOutputOrNone) {
  std::vector<std::filesystem::path> samples = shipped_samples();
  ASSERT_FALSE(samples.empty());
  for (const std::filesystem::path &sample : samples) {
    Bytes whole = read_file(sample.string());
    std::vector<std::size_t> lengths = prefix_lengths(whole.size());
    ScratchDirectory dir;
    std::string source = dir.file("cut" + sample.extension().string());
    for (std::size_t length : lengths) {
      write_file(source, Bytes(whole.begin(), whole.begin() + static_cast<long>(length)));
      RunResult run = run_morvane({source});
      SCOPED_TRACE(sample.filename().string() + " cut to " + std::to_string(length) + " bytes");
      ASSERT_EQ(run.exit_status, 0);
      ASSERT_TRUE(is_outcome_line(run.out + run.err)) << run.out << run.err;
      std::vector<std::pair<std::string, Bytes>> files = directory_snapshot(dir.path);
      if (run.out == SuccessLine) {
        ASSERT_EQ(files.size(), 2u);
        ASSERT_TRUE(is_complete_output(read_text(dir.file("cut.c"))));
        std::filesystem::remove(dir.file("cut.c"));
      } else {
        ASSERT_EQ(files.size(), 1u) << "a failed conversion leaves nothing behind";
      }
    }
  }
}

Bytes colour_file_of(std::uint16_t colour) {
  Bytes bytes;
  for (int i = 0; i < 256; ++i) {
    bytes.push_back(static_cast<std::uint8_t>(colour & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(colour >> 8));
  }
  return bytes;
}

TEST(Robustness, SimultaneousConversionsInOneFolderDoNotDisturbEachOther) {
  ScratchDirectory dir;
  write_file(dir.file("red.col"), colour_file_of(0x001F));
  write_file(dir.file("blue.col"), colour_file_of(0x7C00));
  // Two sources whose outputs share one name: the survivor must be one of the two, whole.
  write_file(dir.file("same.col"), colour_file_of(0x03E0));
  write_file(dir.file("same.alt.col"), colour_file_of(0x7FFF));

  for (int round = 0; round < 10; ++round) {
    RunResult runs[4];
    const char *names[4] = {"red.col", "blue.col", "same.col", "same.alt.col"};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
      threads.emplace_back([&, i] { runs[i] = run_morvane({dir.file(names[i])}); });
    for (std::thread &thread : threads)
      thread.join();
    for (const RunResult &run : runs)
      EXPECT_EQ(run.out, SuccessLine);

    EXPECT_NE(read_text(dir.file("red.c")).find("RGB(31, 0, 0),RGB(31, 0, 0)"), std::string::npos);
    EXPECT_NE(read_text(dir.file("blue.c")).find("RGB( 0, 0,31),RGB( 0, 0,31)"), std::string::npos);
    std::string same = read_text(dir.file("same.c"));
    EXPECT_TRUE(is_complete_output(same));
    bool green = same.find("RGB( 0,31, 0)") != std::string::npos;
    bool white = same.find("RGB(31,31,31)") != std::string::npos;
    EXPECT_TRUE(green != white) << "one whole output, not a mixture";
    EXPECT_EQ(directory_snapshot(dir.path).size(), 7u) << "no temporary file is left";
  }
}

// A sparse file costs the disk nothing, so the program must not read it all to find that.
TEST(Robustness, MemoryIsBoundedByThePictureNotTheFile) {
  constexpr long Bound = 32 << 10; // KiB: a small picture's buffers, and then some
  ScratchDirectory dir;
  // A child's peak memory starts from its parent's size at the fork (large under a sanitizer),
  // so peaks count above that of a conversion that needs next to nothing.
  write_file(dir.file("tiny.col"), Bytes(512, 0));
  long baseline = run_morvane({dir.file("tiny.col")}).peak_memory_kb;

  // An 8 x 8 RLE8 bitmap whose stream is followed by half a gibibyte of nothing.
  BitmapFields small = classic_spec(pattern_picture(8, 8, 8), 8);
  small.compression = 1;
  small.pixel_data = encode_rle(pattern_picture(8, 8, 8), 8);
  write_file(dir.file("long.bmp"), make_bitmap(small));
  std::filesystem::resize_file(dir.file("long.bmp"), std::uintmax_t{512} << 20);
  RunResult run = run_morvane({dir.file("long.bmp")});
  EXPECT_EQ(run.out, SuccessLine);
  EXPECT_LT(run.peak_memory_kb - baseline, Bound);
  EXPECT_EQ(read_text(dir.file("long.c")),
            expected_output("long", pattern_picture(8, 8, 8), small.table, 8, 0, 8, 8));

  // A 16384 x 8192 8-bit bitmap one byte short of its 128 MiB of pixels is refused before any
  // memory is taken for them.
  BitmapFields large;
  large.width = 16384;
  large.height = 8192;
  large.bits = 8;
  large.table = colour_table(256);
  write_file(dir.file("short.bmp"), make_bitmap(large));
  std::filesystem::resize_file(dir.file("short.bmp"), 54 + 1024 + (std::uintmax_t{128} << 20) - 1);
  run = run_morvane({dir.file("short.bmp")});
  EXPECT_EQ(run.err, ReadFailedLine);
  EXPECT_LT(run.peak_memory_kb - baseline, Bound);
}

// A 4096 x 4096 8-bit bitmap: some 70 MB of text, long enough to be caught in its middle.
const Bytes &big_bitmap() {
  static const Bytes bitmap = [] {
    BitmapFields fields;
    fields.width = 4096;
    fields.height = 4096;
    fields.bits = 8;
    fields.table = colour_table(256);
    fields.pixel_data.resize(std::size_t{4096} * 4096);
    for (std::size_t i = 0; i < fields.pixel_data.size(); ++i)
      fields.pixel_data[i] = static_cast<std::uint8_t>(i * 7 + i / 4096);
    return make_bitmap(fields);
  }();
  return bitmap;
}

// A conversion ended in its middle by a signal it can catch, or by a file size limit (ulimit
// -f), leaves the folder as it was, the earlier output whole; a finished one leaves only its
// output.
TEST(Robustness, AnInterruptedConversionLeavesTheFolderAsItWas) {
  ScratchDirectory dir;
  write_file(dir.file("big.bmp"), big_bitmap());
  write_text_file(dir.file("big.c"), "an earlier output\n");
  auto before = directory_snapshot(dir.path);

  // Ctrl+C, kill, a closed terminal and Ctrl+\.
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    SCOPED_TRACE(strsignal(signal_number));
    RunLimits limits;
    limits.interrupt_signal = signal_number;
    RunResult run = run_morvane({dir.file("big.bmp")}, ".", limits);
    ASSERT_TRUE(run.interrupted) << "the conversion ended before it could be interrupted";
    EXPECT_EQ(run.killed_by, signal_number);
    EXPECT_EQ(directory_snapshot(dir.path), before);
  }

  RunLimits limits;
  limits.file_size_limit = 8 << 20;
  RunResult run = run_morvane({dir.file("big.bmp")}, ".", limits);
  EXPECT_EQ(run.err, ReadFailedLine);
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(directory_snapshot(dir.path), before);

  // The source cut short by another program while its pixels are being turned into text: a
  // failed read, not a crash and not an output made from pixels the file no longer holds. Its
  // last byte alone is lost within the last page, where no read faults but reads zeros.
  std::size_t size = before[0].second.size();
  for (std::size_t cut_to : {std::size_t{4096}, size - 1}) {
    SCOPED_TRACE("the source cut to " + std::to_string(cut_to) + " bytes");
    ScratchDirectory cut_dir;
    write_file(cut_dir.file("big.bmp"), before[0].second);
    write_text_file(cut_dir.file("big.c"), "an earlier output\n");
    RunLimits shrink;
    shrink.shrink_file = cut_dir.file("big.bmp");
    shrink.shrink_to = static_cast<long long>(cut_to);
    RunResult cut = run_morvane({cut_dir.file("big.bmp")}, ".", shrink);
    ASSERT_TRUE(cut.interrupted) << "the conversion ended before the source could be cut";
    EXPECT_EQ(cut.killed_by, 0);
    EXPECT_EQ(cut.err, ReadFailedLine);
    auto files = directory_snapshot(cut_dir.path);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].second.size(), cut_to);
    EXPECT_EQ(files[1], before[1]);
  }

  // Under nohup a closed terminal's SIGHUP is ignored: the conversion goes on to its end.
  RunLimits nohup;
  nohup.run_under = {"nohup"};
  nohup.interrupt_signal = SIGHUP;
  RunResult finished = run_morvane({dir.file("big.bmp")}, ".", nohup);
  EXPECT_TRUE(finished.interrupted) << "the conversion ended before the signal was sent";
  EXPECT_EQ(finished.killed_by, 0);
  EXPECT_EQ(finished.out, SuccessLine);
  auto after = directory_snapshot(dir.path);
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0].first, "big.bmp");
  EXPECT_EQ(after[1].first, "big.c");
  EXPECT_TRUE(is_complete_output(std::string(after[1].second.begin(), after[1].second.end())));
}

// The folder's entries but the one named name, which it must hold.
std::vector<std::pair<std::string, Bytes>> snapshot_without(const std::string &directory,
                                                            const std::string &name) {
  auto entries = directory_snapshot(directory);
  auto found = std::find_if(entries.begin(), entries.end(),
                            [&name](const auto &entry) { return entry.first == name; });
  EXPECT_NE(found, entries.end()) << name << " is not there";
  if (found != entries.end())
    entries.erase(found);
  return entries;
}

// Whether strace can run a program and kill it as it enters a call that renames a file.
bool strace_can_kill_at_rename() {
  return std::system("strace -qq -o /dev/null -e inject=rename,renameat,renameat2:signal=SIGKILL "
                     "true >/dev/null 2>&1") == 0;
}

// SIGKILL cannot be caught: killed while it writes, or between the last write and the rename,
// a conversion leaves its hidden temporary file and the earlier output as it was, and the next
// conversion in that folder removes the file. It removes no other file: not that of a process
// still running, and nothing that is not named exactly as a temporary output.
TEST(Robustness, AKilledConversionLeavesOneHiddenFileThatTheNextConversionRemoves) {
  bool strace_usable = strace_can_kill_at_rename();
  // A running process: a file of its number belongs to a live conversion.
  std::string live = ".morvane-" + std::to_string(getpid()) + "-7";
  for (bool earlier : {false, true}) {
    SCOPED_TRACE(earlier ? "with earlier outputs" : "with no earlier outputs");
    ScratchDirectory dir;
    write_file(dir.file("big.bmp"), big_bitmap());
    write_file(dir.file("title.col"), Bytes(512, 0x5A));
    write_file(dir.file("next.col"), Bytes(512, 0));
    write_text_file(dir.file(live), "a live conversion's output");
    if (earlier) {
      write_text_file(dir.file("big.c"), "an earlier output\n");
      write_text_file(dir.file("title.c"), "an earlier output\n");
    }
    auto before = directory_snapshot(dir.path);

    RunLimits kill_while_writing;
    kill_while_writing.interrupt_signal = SIGKILL;
    RunResult killed = run_morvane({dir.file("big.bmp")}, ".", kill_while_writing);
    ASSERT_TRUE(killed.interrupted) << "the conversion ended before it could be killed";
    EXPECT_EQ(killed.killed_by, SIGKILL);
    std::string left = ".morvane-" + std::to_string(killed.pid) + "-0";
    EXPECT_EQ(snapshot_without(dir.path, left), before);

    // Its process is gone, but these are no temporary outputs of its.
    std::string gone = std::to_string(killed.pid);
    for (const std::string &name : std::vector<std::string>{
             ".morvane-" + gone, ".morvane-" + gone + "-", ".morvane-" + gone + "-100",
          ".morvane-" + gone + "-00", ".morvane-0" + gone + "-0", ".morvane-" + gone + "-0.c",
          "x.morvane-" + gone + "-0", ".morvane--0", ".morvane-0-0", ".morvane-x-0"})
      write_text_file(dir.file(name), "not a temporary output");
    ASSERT_EQ(mkdir(dir.file(".morvane-" + gone + "-1").c_str(), 0755), 0);
    ASSERT_EQ(symlink("big.bmp", dir.file(".morvane-" + gone + "-2").c_str()), 0);
    auto kept = snapshot_without(dir.path, left);

    EXPECT_EQ(run_morvane({dir.file("next.col")}).out, SuccessLine);
    EXPECT_EQ(snapshot_without(dir.path, "next.c"), kept);

    if (!strace_usable)
      continue;
    RunLimits kill_at_rename;
    kill_at_rename.run_under = {"strace", "-qq", "-o", "/dev/null", "-e",
                                "inject=rename,renameat,renameat2:signal=SIGKILL"};
    RunResult stopped = run_morvane({dir.file("title.col")}, ".", kill_at_rename);
    EXPECT_EQ(stopped.out, "");
    auto after = directory_snapshot(dir.path);
    ASSERT_EQ(after.size(), kept.size() + 2) << "next.c and one hidden file";
    std::string hidden;
    Bytes complete;
    for (const auto &[name, bytes] : after)
      if (name.starts_with(".morvane-") && !std::count(kept.begin(), kept.end(),
                                                       std::pair{name, bytes})) {
        hidden = name;
        complete = bytes;
      }
    ASSERT_NE(hidden, "") << "no hidden file was left";
    EXPECT_EQ(file_exists(dir.file("title.c")), earlier);
    if (earlier) {
      EXPECT_EQ(read_text(dir.file("title.c")), "an earlier output\n");
    }

    EXPECT_EQ(run_morvane({dir.file("next.col")}).out, SuccessLine);
    EXPECT_EQ(snapshot_without(dir.path, "next.c"), kept);
    // What it left was the whole output, only not yet in place.
    EXPECT_EQ(run_morvane({dir.file("title.col")}).out, SuccessLine);
    EXPECT_EQ(read_file(dir.file("title.c")), complete);
  }
  if (!strace_usable)
    GTEST_SKIP() << "the kill at the rename needs strace (the Debian package strace), able to "
                    "trace its child";
}

// A conversion's temporary file is its own while it runs, however long it takes: another
// conversion in the same folder leaves it alone.
TEST(Robustness, AConversionBesideALiveOneLeavesItsTemporaryFileAlone) {
  ScratchDirectory dir;
  write_file(dir.file("big.bmp"), big_bitmap());
  write_file(dir.file("next.col"), Bytes(512, 0));
  bool kept = false;
  RunLimits limits;
  limits.while_writing = [&](int pid) {
    kill(pid, SIGSTOP);
    EXPECT_EQ(run_morvane({dir.file("next.col")}).out, SuccessLine);
    kept = file_exists(dir.file(".morvane-" + std::to_string(pid) + "-0"));
    kill(pid, SIGCONT);
  };
  RunResult run = run_morvane({dir.file("big.bmp")}, ".", limits);
  ASSERT_TRUE(run.interrupted) << "the conversion ended before it could be stopped";
  EXPECT_TRUE(kept);
  EXPECT_EQ(run.out, SuccessLine);
  auto after = directory_snapshot(dir.path);
  ASSERT_EQ(after.size(), 4u);
  EXPECT_EQ(after[1].first, "big.c");
  EXPECT_TRUE(is_complete_output(std::string(after[1].second.begin(), after[1].second.end())));
}

TEST(Robustness, AnOutputOpenForReadingElsewhereIsReplacedWithoutTearingTheReader) {
  ScratchDirectory dir;
  write_file(dir.file("title.col"), colour_file_of(0x001F));
  std::string earlier(100000, 'e');
  write_text_file(dir.file("title.c"), earlier);

  std::ifstream reader(dir.file("title.c"), std::ios::binary);
  std::string first_half(50000, '\0');
  reader.read(first_half.data(), 50000);
  ASSERT_EQ(run_morvane({dir.file("title.col")}).out, SuccessLine);
  std::string rest((std::istreambuf_iterator<char>(reader)), std::istreambuf_iterator<char>());
  EXPECT_EQ(first_half + rest, earlier) << "the reader keeps reading what it opened";
  EXPECT_TRUE(is_complete_output(read_text(dir.file("title.c"))));
}

} // namespace
