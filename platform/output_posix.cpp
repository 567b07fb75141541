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

// The temporary outputs while there are any (the build form writes three at once), so that a
// signal that ends the program (Ctrl+C, Ctrl+\, kill, a closed terminal) can remove them first.
// They change only while those signals are blocked, so the handler never sees half a name.
constexpr int MostPendingOutputs = 3;
char pending_outputs[MostPendingOutputs][32];

constexpr int InterruptSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void remove_pending_output(int signal_number) {
  for (const char *pending : pending_outputs) {
    if (pending[0] != '\0')
      unlink(pending);
  }
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

char *pending_slot(const char *name) {
  for (char *pending : pending_outputs) {
    if (std::strcmp(pending, name) == 0)
      return pending;
  }
  return nullptr;
}

// Removes the temporary outputs in the working directory that a process killed past catching
// (SIGKILL) left behind: those whose process is gone. One of this process's number that it is
// not writing now is left from an earlier process that had that number. Where the directory may
// not be read nothing is removed.
void remove_stale_outputs() {
  DIR *directory = opendir(".");
  if (!directory)
    return;
  pid_t self = getpid();
  while (const dirent *entry = readdir(directory)) {
    auto writer =
        static_cast<pid_t>(writer_of_temporary(entry->d_name, TemporaryPrefix, "", INT_MAX));
    if (writer == 0 || (writer != self && (kill(writer, 0) == 0 || errno != ESRCH)) ||
        (writer == self && pending_slot(entry->d_name)))
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
    char candidate[sizeof pending_outputs[0]];
    std::snprintf(candidate, sizeof candidate, "%s%ld-%u", TemporaryPrefix,
                  static_cast<long>(getpid()), attempt);
    if (std::strlen(candidate) >= capacity)
      return nullptr;
    char *slot = pending_slot("");
    if (!slot) {
      errno = EMFILE;
      return nullptr;
    }
    sigset_t saved;
    block_interrupts(&saved);
    int fd = open(candidate, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    int error = errno;
    if (fd >= 0)
      std::memcpy(slot, candidate, sizeof candidate);
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
  if (char *slot = pending_slot(name))
    slot[0] = '\0';
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
