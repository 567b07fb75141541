// What the tests share: scratch directories, the working directory kept, whole-file reads and
// writes, and running the real morvane program and the system C compiler.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// Puts back, when it goes, the working directory it found: the converters that a test runs in
// its own process change it.
struct KeepWorkingDirectory {
  std::filesystem::path saved = std::filesystem::current_path();
  ~KeepWorkingDirectory() { std::filesystem::current_path(saved); }
};

// A fresh empty directory under the system's temporary directory, removed with everything in it
// when the object goes.
struct ScratchDirectory {
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory &) = delete;
  ScratchDirectory &operator=(const ScratchDirectory &) = delete;
  std::string file(const std::string &name) const { return path + "/" + name; }
  std::string path;
};

Bytes read_file(const std::string &path);
std::string read_text(const std::string &path);
void write_file(const std::string &path, const Bytes &bytes);
void write_text_file(const std::string &path, const std::string &text);
bool file_exists(const std::string &path);

// The names in a directory, sorted, each with its content: a snapshot to compare before and
// after a run that must leave the directory as it was.
std::vector<std::pair<std::string, Bytes>> directory_snapshot(const std::string &directory);

struct RunResult {
  int pid;             // the process run
  int exit_status;     // -1 when the program did not exit normally
  int killed_by;       // the signal that ended the program, or 0
  long peak_memory_kb; // the program's peak resident memory
  bool interrupted;    // what the limits ask for at that moment was done while an output was
                       // being written
  // What the program printed on standard output and standard error.
  std::string printed_out;
  std::string printed_err;
  // The same, but for a run that converts one path its outcome line alone, as the lines below:
  // the naming of the path (and on standard error the reason) checked and taken off.
  std::string out;
  std::string err;
  std::string reason; // the reason such a run gave for its failure
};

struct RunLimits {
  long long file_size_limit = -1; // RLIMIT_FSIZE in bytes; -1 for none
  unsigned seconds = 60;          // the program is killed (SIGALRM) when it runs longer
  // Sent once the program has written at least a mebibyte of an output file; 0 for none.
  int interrupt_signal = 0;
  // At that moment the file at this path is cut to shrink_to bytes instead; empty for none.
  std::string shrink_file;
  long long shrink_to = 0;
  // Called at that moment with the process run, which it must leave to end by itself.
  std::function<void(int pid)> while_writing;
  // A command and its arguments that run the program, as nohup or strace do; empty for none.
  std::vector<std::string> run_under;
  // The program runs without root's power to read and search any directory, so that a
  // directory's permissions hold for it too; a program that cannot give it up exits with 125.
  bool without_root_override = false;
};

// Runs the real morvane program with the given arguments in working directory cwd. When they
// are one path, each line it printed must name that path; a test fails where one does not.
RunResult run_morvane(const std::vector<std::string> &arguments, const std::string &cwd = ".",
                      const RunLimits &limits = {});

// The outcome lines, as a one-path run gives them in out and err (the program prints each with
// the path before it, and a failure with its reason after it).
extern const char *const SuccessLine;
extern const char *const UnsupportedLine;
extern const char *const ReadFailedLine;
extern const char *const NotIndexedBitmapLine;
extern const char *const SizeNotMultipleOf8Line;

// Compiles main_source (which may #include generated files from include_directory) with the
// system C compiler and runs it; returns what it printed. Fails the test on a compile error.
std::string compile_and_run_c(const std::string &main_source, const std::string &include_directory);

// Checks source (which may #include generated files from include_directory) with the system C
// compiler without building anything; its complaints, empty when it accepts the code.
std::string c_compiler_complaints(const std::string &source, const std::string &include_directory);

// Splits text at CR LF; fails the test on any bare LF or CR.
std::vector<std::string> crlf_lines(const std::string &text);

// The shipped samples' sources (samples/*.bmp, .cgx, .scr, .col), sorted; none of the outputs a
// build of them left beside them.
std::vector<std::filesystem::path> shipped_samples();
