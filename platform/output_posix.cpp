// The operating-system seam for Linux and macOS: the output, written under a hidden name of its
// own beside its final one and renamed into place when complete.
#include "platform/platform.h"

#include "platform/temporary_name.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// ".morvane-PID-N": the process that writes it and a number that makes it new.
constexpr char TemporaryPrefix[] = ".morvane-";

// The temporary output while there is one, so that a signal that ends the program (Ctrl+C,
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
    // A signal the program was started with ignored (SIGHUP under nohup, SIGINT of a background
    // job) stays ignored.
    if (sigaction(signal_number, nullptr, &action) != 0 || action.sa_handler == SIG_IGN)
      continue;
    action = {};
    action.sa_handler = remove_pending_output;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(signal_number, &action, nullptr);
  }
}

// Removes the temporary outputs in the working directory that a process killed past catching
// (SIGKILL) left behind: those whose process is gone. This process has none while it looks, so
// one of its own number is left from an earlier process that had that number. Where the
// directory may not be read nothing is removed.
void remove_stale_outputs() {
  DIR *directory = opendir(".");
  if (!directory)
    return;
  pid_t self = getpid();
  while (const dirent *entry = readdir(directory)) {
    auto writer =
        static_cast<pid_t>(writer_of_temporary(entry->d_name, TemporaryPrefix, "", INT_MAX));
    if (writer == 0 || (writer != self && (kill(writer, 0) == 0 || errno != ESRCH)))
      continue;
    struct stat info;
    if (lstat(entry->d_name, &info) == 0 && S_ISREG(info.st_mode))
      unlink(entry->d_name);
  }
  closedir(directory);
}

} // namespace

std::FILE *create_temporary_output(char *name, std::size_t capacity) {
  // A file size limit (ulimit -f) is then a write that fails, reported like any other, rather
  // than the end of the program.
  signal(SIGXFSZ, SIG_IGN);
  remove_stale_outputs();
  remove_pending_output_on_interrupt();
  for (unsigned attempt = 0; attempt < TemporaryAttempts; ++attempt) {
    char candidate[sizeof pending_output];
    std::snprintf(candidate, sizeof candidate, "%s%ld-%u", TemporaryPrefix,
                  static_cast<long>(getpid()), attempt);
    if (std::strlen(candidate) >= capacity)
      return nullptr;
    sigset_t saved;
    block_interrupts(&saved);
    int fd = open(candidate, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    int error = errno;
    if (fd >= 0)
      std::memcpy(pending_output, candidate, sizeof candidate);
    restore_interrupts(&saved);
    if (fd < 0 && error == EEXIST)
      continue;
    if (fd < 0) {
      errno = error;
      return nullptr;
    }
    std::memcpy(name, candidate, std::strlen(candidate) + 1);
    std::FILE *file = fdopen(fd, "wb");
    if (!file) {
      close(fd);
      put_output_in_place(nullptr, name, false, nullptr);
    }
    return file;
  }
  return nullptr;
}

bool put_output_in_place(std::FILE *file, const char *name, bool written, const char *to) {
  if (file)
    written = std::fclose(file) == 0 && written;
  sigset_t saved;
  block_interrupts(&saved);
  bool placed = written && rename(name, to) == 0;
  if (!placed)
    unlink(name);
  pending_output[0] = '\0';
  restore_interrupts(&saved);
  return placed;
}
