// Shared test helpers; see support.h.
#include "support.h"

#include "app/dispatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#ifdef __linux__
#include <linux/capability.h>
#include <sys/prctl.h>
#endif
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

const char *const SuccessLine = "成功: ファイルの変換に成功しました！\n";
const char *const UnsupportedLine = "このファイル形式には対応していません！\n";
const char *const ReadFailedLine = "ファイルの読み込みに失敗しました！\n";
const char *const NotIndexedBitmapLine =
    "このファイルは１６色ｏｒ２５６色ビットマップではありません！\n";
const char *const SizeNotMultipleOf8Line = "画像の幅と高さが８の倍数ではありません！\n";

ScratchDirectory::ScratchDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "morvane-test-XXXXXX").string();
  if (!mkdtemp(pattern.data()))
    throw std::runtime_error("mkdtemp failed");
  path = pattern;
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

Bytes read_file(const std::string &path) {
  // In blocks rather than a byte at a time: the interruption tests read a 16 MiB source again
  // and again, which a sanitizer's build would otherwise take minutes over.
  std::ifstream in(path, std::ios::binary);
  Bytes bytes;
  std::size_t got = 0;
  do {
    bytes.resize(got + (1 << 20));
    in.read(reinterpret_cast<char *>(bytes.data() + got), 1 << 20);
    got += static_cast<std::size_t>(in.gcount());
  } while (in);
  bytes.resize(got);
  return bytes;
}

std::string read_text(const std::string &path) {
  Bytes bytes = read_file(path);
  return std::string(bytes.begin(), bytes.end());
}

void write_file(const std::string &path, const Bytes &bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char *>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

void write_text_file(const std::string &path, const std::string &text) {
  write_file(path, Bytes(text.begin(), text.end()));
}

bool file_exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

std::vector<std::pair<std::string, Bytes>> directory_snapshot(const std::string &directory) {
  std::vector<std::pair<std::string, Bytes>> entries;
  for (const auto &entry : std::filesystem::directory_iterator(directory))
    entries.emplace_back(entry.path().filename().string(),
                         entry.is_regular_file() ? read_file(entry.path().string()) : Bytes{});
  std::sort(entries.begin(), entries.end());
  return entries;
}

namespace {

std::string drain_fd(int fd) {
  std::string text;
  char chunk[4096];
  ssize_t got;
  while ((got = read(fd, chunk, sizeof chunk)) > 0)
    text.append(chunk, static_cast<std::size_t>(got));
  return text;
}

// True when the child has an output file open for writing that holds at least a mebibyte:
// the conversion is well under way but not finished. Linux alone shows a process's open files
// in /proc; elsewhere this finds none.
bool is_writing_output(pid_t child) {
  std::string fd_directory = "/proc/" + std::to_string(child) + "/fd";
  std::error_code error;
  for (const auto &entry : std::filesystem::directory_iterator(fd_directory, error)) {
    std::string fd = entry.path().filename().string();
    if (fd == "0" || fd == "1" || fd == "2")
      continue;
    std::ifstream info("/proc/" + std::to_string(child) + "/fdinfo/" + fd);
    std::string key;
    unsigned long flags = 0;
    while (info >> key)
      if (key == "flags:") {
        info >> std::oct >> flags;
        break;
      }
    struct stat file;
    if ((flags & O_ACCMODE) != O_RDONLY && stat(entry.path().c_str(), &file) == 0 &&
        S_ISREG(file.st_mode) && file.st_size >= (1 << 20))
      return true;
  }
  return false;
}

// True when directory holds a temporary output of at least a mebibyte: where the system has no
// /proc to watch the child through (macOS, the BSDs), or the child is not the program itself
// but what runs it, this is where its output shows.
bool holds_output_being_written(const std::filesystem::path &directory) {
  std::error_code error;
  for (const auto &entry : std::filesystem::directory_iterator(directory, error))
    if (entry.path().filename().string().rfind(".morvane-", 0) == 0 &&
        entry.is_regular_file(error) && entry.file_size(error) >= (1 << 20))
      return true;
  return false;
}

// Watches the child, which converts a source in directory, until it writes its output, then does
// what limits ask for at that moment; false when the child ended first.
bool wait_for_output_writing(pid_t child, const std::filesystem::path &directory,
                             const RunLimits &limits) {
  for (;;) {
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        info.si_pid == child)
      return false;
    if (is_writing_output(child) || holds_output_being_written(directory)) {
      if (limits.while_writing)
        limits.while_writing(child);
      if (limits.interrupt_signal != 0)
        kill(child, limits.interrupt_signal);
      if (!limits.shrink_file.empty() &&
          truncate(limits.shrink_file.c_str(), limits.shrink_to) != 0)
        ADD_FAILURE() << "cannot cut " << limits.shrink_file;
      return true;
    }
    usleep(200);
  }
}

// Takes from root, for this process and the programs it runs, the power to read, write and
// search whatever the permissions say (Linux's capabilities); false where it cannot.
bool give_up_root_override() {
#ifdef PR_CAPBSET_DROP
  return prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) == 0 &&
         prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) == 0;
#else
  return false;
#endif
}

// The unit of ru_maxrss: bytes on macOS, KiB on Linux and the BSDs.
#ifdef __APPLE__
constexpr long MaxrssUnitsPerKib = 1024;
#else
constexpr long MaxrssUnitsPerKib = 1;
#endif

bool is_option(const std::string &argument) {
  return argument == "--help" || argument == "-h" || argument == "--version" ||
         argument == "--build";
}

bool starts_with(const std::string &text, const std::string &start) {
  return text.compare(0, start.size(), start) == 0;
}

// "PATH: LINE" on standard output and "morvane: PATH: TEXT (REASON)" on standard error become
// LINE and TEXT, each with its line end, and REASON, which must not be empty.
void take_naming_off(const std::string &path, RunResult &run) {
  if (!run.out.empty()) {
    std::string naming = path + ": ";
    EXPECT_TRUE(starts_with(run.out, naming))
        << "the line does not name " << path << ": " << run.out;
    if (starts_with(run.out, naming))
      run.out.erase(0, naming.size());
  }
  if (run.err.empty())
    return;
  std::string naming = "morvane: " + path + ": ";
  for (const char *line :
       {UnsupportedLine, ReadFailedLine, NotIndexedBitmapLine, SizeNotMultipleOf8Line}) {
    std::string text(line, std::strlen(line) - 1);
    std::string start = naming + text + " (";
    if (starts_with(run.err, start) && run.err.size() > start.size() + 2 &&
        run.err.compare(run.err.size() - 2, 2, ")\n") == 0) {
      run.reason = run.err.substr(start.size(), run.err.size() - start.size() - 2);
      run.err = line;
      return;
    }
  }
  ADD_FAILURE() << "the line does not name " << path << " and give a reason: " << run.err;
}

} // namespace

RunResult run_morvane(const std::vector<std::string> &arguments, const std::string &cwd,
                      const RunLimits &limits) {
  // Output goes through files rather than pipes so that neither stream can block the other.
  char out_name[] = "/tmp/morvane-out-XXXXXX";
  char err_name[] = "/tmp/morvane-err-XXXXXX";
  int out_fd = mkstemp(out_name);
  int err_fd = mkstemp(err_name);
  unlink(out_name);
  unlink(err_name);

  pid_t child = fork();
  if (child == 0) {
    dup2(out_fd, 1);
    dup2(err_fd, 2);
    if (chdir(cwd.c_str()) != 0)
      _exit(126);
    // A signal that dumps core (SIGQUIT) leaves no core file among the files a test looks at.
    rlimit no_core{0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    // SIGXFSZ keeps its default action: the program must ignore it itself.
    if (limits.file_size_limit >= 0) {
      rlimit limit{static_cast<rlim_t>(limits.file_size_limit),
                   static_cast<rlim_t>(limits.file_size_limit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (limits.without_root_override && geteuid() == 0 && !give_up_root_override())
      _exit(125);
    alarm(limits.seconds);
    std::vector<char *> argv;
    for (const std::string &word : limits.run_under)
      argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(const_cast<char *>(MORVANE_EXE));
    for (const std::string &argument : arguments)
      argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  RunResult result;
  result.pid = child;
  std::filesystem::path source_directory =
      (std::filesystem::path(cwd) / (arguments.empty() ? "" : arguments[0])).parent_path();
  result.interrupted = (limits.interrupt_signal != 0 || !limits.shrink_file.empty() ||
                        limits.while_writing) &&
                       wait_for_output_writing(child, source_directory, limits);
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.killed_by = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  result.peak_memory_kb = usage.ru_maxrss / MaxrssUnitsPerKib;
  lseek(out_fd, 0, SEEK_SET);
  lseek(err_fd, 0, SEEK_SET);
  result.printed_out = drain_fd(out_fd);
  result.printed_err = drain_fd(err_fd);
  close(out_fd);
  close(err_fd);
  result.out = result.printed_out;
  result.err = result.printed_err;
  if (arguments.size() == 1 && !is_option(arguments[0]))
    take_naming_off(arguments[0], result);
  return result;
}

std::string compile_and_run_c(const std::string &main_source,
                              const std::string &include_directory) {
  ScratchDirectory build;
  write_text_file(build.file("main.c"), main_source);
  std::string compile = "cc -std=c99 -Wall -Werror -o '" + build.file("program") + "' '" +
                        build.file("main.c") + "' -I'" + include_directory + "' 2>'" +
                        build.file("errors") + "'";
  if (std::system(compile.c_str()) != 0) {
    ADD_FAILURE() << "the C compiler refused the generated code:\n"
                  << read_text(build.file("errors"));
    return "";
  }
  // Appended rather than "'" + ...: GCC 12 warns falsely (-Wrestrict) on that form at -O2.
  std::string run = "'";
  run += build.file("program") + "' > '" + build.file("printed") + "'";
  EXPECT_EQ(std::system(run.c_str()), 0);
  return read_text(build.file("printed"));
}

std::string c_compiler_complaints(const std::string &source, const std::string &include_directory) {
  ScratchDirectory build;
  write_text_file(build.file("check.c"), source);
  std::string compile = "cc -std=c99 -Wall -Werror -fsyntax-only '" + build.file("check.c") +
                        "' -I'" + include_directory + "' 2>'" + build.file("errors") + "'";
  if (std::system(compile.c_str()) == 0)
    return "";
  std::string complaints = read_text(build.file("errors"));
  return complaints.empty() ? std::string("the C compiler failed without a word") : complaints;
}

std::vector<std::string> crlf_lines(const std::string &text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "text does not end with CR LF";
      end = text.size();
    }
    std::string line = text.substr(start, end - start);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "bare CR or LF in: " << line;
    lines.push_back(line);
    start = end + 2;
  }
  return lines;
}

std::vector<std::filesystem::path> shipped_samples() {
  std::vector<std::filesystem::path> samples;
  for (const auto &entry : std::filesystem::directory_iterator(MORVANE_SOURCE_DIR "/samples")) {
    std::string extension = entry.path().extension().string();
    for (std::size_t i = 0; const char *known = source_extension(i); ++i)
      if (extension == std::string(".") + known)
        samples.push_back(entry.path());
  }
  std::sort(samples.begin(), samples.end());
  return samples;
}
