// The operating-system seam for Linux and macOS: the output, kept out of sight until it is
// complete and then put in place.
#include "platform/platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The named temporary output while there is one, so that a signal that ends the program (Ctrl+C,
// Ctrl+\, kill, a closed terminal) can remove it first. It changes only while those signals are
// blocked, so the handler never sees half a name.
char pending_output[32];

constexpr int InterruptSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void remove_pending_output(int signal_number) {
  if (pending_output[0] != '\0')
    unlink(pending_output);
  // SA_RESETHAND has put the default action back: the signal ends the program on return.
  raise(signal_number);
}

void block_interrupts(sigset_t *saved) {
  sigset_t set;
  sigemptyset(&set);
  for (int signal_number : InterruptSignals)
    sigaddset(&set, signal_number);
  sigprocmask(SIG_BLOCK, &set, saved);
}

void restore_interrupts(const sigset_t *saved) { sigprocmask(SIG_SETMASK, saved, nullptr); }

void remove_pending_output_on_interrupt() {
  for (int signal_number : InterruptSignals) {
    struct sigaction action;
    // A signal the program was started with ignored (SIGINT of a background job) stays ignored.
    if (sigaction(signal_number, nullptr, &action) != 0 || action.sa_handler == SIG_IGN)
      continue;
    action = {};
    action.sa_handler = remove_pending_output;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(signal_number, &action, nullptr);
  }
}

#ifdef O_TMPFILE
// An output with no name in the working directory: whatever ends the program, even SIGKILL,
// nothing of it is left. It is linked into place through /proc, so it is only used where /proc
// is there.
std::FILE *create_unnamed_output() {
  if (access("/proc/self/fd", X_OK) != 0)
    return nullptr;
  int fd = open(".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0)
    return nullptr;
  std::FILE *file = fdopen(fd, "wb");
  if (!file)
    close(fd);
  return file;
}

// Gives the unnamed file fd a unique temporary name beside to, then renames that over to, so an
// existing to is replaced in one step. False, with no name left, when either step fails.
bool link_into_place(int fd, const char *to) {
  char proc_path[32];
  std::snprintf(proc_path, sizeof proc_path, "/proc/self/fd/%d", fd);
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    char link_name[sizeof pending_output];
    std::snprintf(link_name, sizeof link_name, ".morvane-%ld-%u", static_cast<long>(getpid()),
                  attempt);
    if (linkat(AT_FDCWD, proc_path, AT_FDCWD, link_name, AT_SYMLINK_FOLLOW) != 0) {
      if (errno == EEXIST)
        continue;
      return false;
    }
    if (rename(link_name, to) == 0)
      return true;
    unlink(link_name);
    return false;
  }
  return false;
}
#else
std::FILE *create_unnamed_output() { return nullptr; }
bool link_into_place(int, const char *) { return false; }
#endif

// A new file of a unique name in the working directory, removed by SIGINT, SIGTERM, SIGHUP and
// SIGQUIT until it is put in place.
std::FILE *create_named_output(char *name, std::size_t capacity) {
  static const char pattern[] = ".morvane-XXXXXX";
  if (capacity < sizeof pattern)
    return nullptr;
  std::memcpy(name, pattern, sizeof pattern);
  remove_pending_output_on_interrupt();
  sigset_t saved;
  block_interrupts(&saved);
  int fd = mkstemp(name);
  if (fd >= 0)
    std::memcpy(pending_output, name, sizeof pattern);
  restore_interrupts(&saved);
  if (fd < 0)
    return nullptr;
  // mkstemp makes the file private; the output gets the permissions any new file would get.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  std::FILE *file = fdopen(fd, "wb");
  if (!file) {
    close(fd);
    put_output_in_place(nullptr, name, false, nullptr);
  }
  return file;
}

} // namespace

std::FILE *create_temporary_output(char *name, std::size_t capacity) {
  // A file size limit (ulimit -f) is then a write that fails, reported like any other, rather
  // than the end of the program.
  signal(SIGXFSZ, SIG_IGN);
  if (capacity == 0)
    return nullptr;
  // The unnamed file where the file system allows it, a named one where it refuses.
  if (std::FILE *file = create_unnamed_output()) {
    name[0] = '\0';
    return file;
  }
  return create_named_output(name, capacity);
}

bool put_output_in_place(std::FILE *file, const char *name, bool written, const char *to) {
  // An unnamed file is linked through a descriptor of its own, so that the stream's close, and
  // any write error it reports, comes before the file is put in place.
  int unnamed = file && name[0] == '\0' ? dup(fileno(file)) : -1;
  if (file)
    written = std::fclose(file) == 0 && written;
  if (name[0] == '\0') {
    bool placed = false;
    if (unnamed >= 0) {
      sigset_t saved;
      block_interrupts(&saved);
      placed = written && link_into_place(unnamed, to);
      restore_interrupts(&saved);
      close(unnamed);
    }
    return placed;
  }
  sigset_t saved;
  block_interrupts(&saved);
  bool placed = written && rename(name, to) == 0;
  if (!placed)
    unlink(name);
  pending_output[0] = '\0';
  restore_interrupts(&saved);
  return placed;
}

bool output_holds(const char *name, const char *text, std::size_t size) {
  int fd = open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0)
    return false;
  struct stat info;
  bool same = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
              static_cast<std::uint64_t>(info.st_size) == size;
  // The earlier file is read and compared a block at a time.
  char block[4096];
  for (std::size_t done = 0; same && done < size;) {
    std::size_t wanted = size - done < sizeof block ? size - done : sizeof block;
    ssize_t got = read(fd, block, wanted);
    if (got < 0 && errno == EINTR)
      continue;
    same = got > 0 && std::memcmp(block, text + done, static_cast<std::size_t>(got)) == 0;
    done += got > 0 ? static_cast<std::size_t>(got) : 0;
  }
  close(fd);
  return same;
}
