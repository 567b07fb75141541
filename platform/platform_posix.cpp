// The operating-system seam for Linux and macOS: the source, held mapped, its names and the
// directories around it, and the output, written under a hidden name of its own beside its final
// one and renamed into place when complete.
#include "platform/platform.h"

#include "platform/temporary_name.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <new>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

// A 32-bit build needs large-file offsets (_FILE_OFFSET_BITS=64, set by the build) to open, size
// and read a source of 2 GiB or more, of which only the first bytes may count.
static_assert(sizeof(off_t) >= 8, "build with _FILE_OFFSET_BITS=64");

namespace {

// False, with errno telling why, for anything but a regular file.
bool is_regular_file(const struct stat &info) {
  if (S_ISREG(info.st_mode))
    return true;
  errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
  return false;
}

FileIdentity identity_of(const struct stat &info) {
  return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

} // namespace

bool open_source(const char *path, SourceSharing, SourceFile *file) {
  // POSIX has no share modes; the source is only ever read. Only a regular file is a source:
  // the open does not wait, so a FIFO with no writer is refused at once instead of hanging the
  // program, and a device or directory is refused too.
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0)
    return false;
  struct stat info;
  if (fstat(fd, &info) != 0 || !is_regular_file(info) ||
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    int error = errno;
    close(fd);
    errno = error;
    return false;
  }
  file->handle = fd;
  file->identity = identity_of(info);
  return true;
}

bool file_identity(const char *name, FileIdentity *identity) {
  struct stat info;
  if (lstat(name, &info) != 0)
    return false;
  *identity = identity_of(info);
  return true;
}

long long read_source(SourceFile file, std::uint64_t offset, void *buffer, std::size_t size) {
  auto *bytes = static_cast<unsigned char *>(buffer);
  std::size_t done = 0;
  while (done < size) {
    ssize_t got = pread(static_cast<int>(file.handle), bytes + done, size - done,
                        static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      return -1;
    if (got == 0)
      break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<long long>(done);
}

long long source_size(SourceFile file) {
  struct stat info;
  if (fstat(static_cast<int>(file.handle), &info) != 0)
    return -1;
  return static_cast<long long>(info.st_size);
}

void close_source(SourceFile file) { close(static_cast<int>(file.handle)); }

namespace {

// The bytes whose mapping the handler of SIGBUS watches, which a read of a page the file no
// longer holds raises, and whether it has raised it. A cut within the last page raises nothing:
// the lost bytes only read as zeros, so the mapped file's own descriptor is asked for its size
// as well.
SourceBytes *watched_bytes = nullptr;
volatile std::sig_atomic_t lost_page = 0;

// The file shrank under the mapping: from the lost page on, the mapping becomes zeros, the read
// that faulted is done again and sees them, and the bytes are marked cut short. Any other SIGBUS
// is a fault of the program's own and ends it as usual.
void on_lost_page(int, siginfo_t *info, void *) {
  auto *address = static_cast<const unsigned char *>(info->si_addr);
  SourceBytes *bytes = watched_bytes;
  if (bytes == nullptr || address < bytes->data || address >= bytes->data + bytes->size) {
    signal(SIGBUS, SIG_DFL);
    return;
  }
  std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  std::size_t from = static_cast<std::size_t>(address - bytes->data) / page * page;
  if (mmap(const_cast<unsigned char *>(bytes->data) + from, bytes->size - from, PROT_READ,
           MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED)
    signal(SIGBUS, SIG_DFL);
  lost_page = 1;
}

// Maps the file's first size bytes, read-only and private to this process, into bytes. False
// when another source is mapped already or the mapping fails: they are read then.
bool map_source_bytes(SourceFile file, std::size_t size, SourceBytes &bytes) {
  if (watched_bytes != nullptr)
    return false;
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_sigaction = on_lost_page;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  if (sigaction(SIGBUS, &action, nullptr) != 0)
    return false;
  int descriptor = fcntl(static_cast<int>(file.handle), F_DUPFD_CLOEXEC, 0);
  if (descriptor < 0)
    return false;
  void *mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
  if (mapped == MAP_FAILED) {
    close(descriptor);
    return false;
  }
  bytes.data = static_cast<const unsigned char *>(mapped);
  bytes.size = size;
  bytes.mapped_file = descriptor;
  watched_bytes = &bytes;
  lost_page = 0;
  return true;
}

} // namespace

SourceHold hold_source_bytes(SourceFile file, std::size_t size, SourceBytes &bytes) {
  if (map_source_bytes(file, size, bytes))
    return SourceHold::held;
  auto *read = new (std::nothrow) unsigned char[size];
  if (!read)
    return SourceHold::no_memory;
  long long got = read_source(file, 0, read, size);
  if (got < 0) {
    delete[] read;
    return SourceHold::unreadable;
  }
  // What the file no longer held is zeros, as in a mapping it shrank under.
  std::size_t held = static_cast<std::size_t>(got);
  std::memset(read + held, 0, size - held);
  bytes.data = read;
  bytes.size = size;
  bytes.read_short = held != size;
  return SourceHold::held;
}

bool source_bytes_whole(const SourceBytes &bytes) {
  if (bytes.mapped_file < 0)
    return !bytes.read_short;
  struct stat info;
  return lost_page == 0 && fstat(static_cast<int>(bytes.mapped_file), &info) == 0 &&
         static_cast<std::uint64_t>(info.st_size) >= bytes.size;
}

SourceBytes::~SourceBytes() {
  if (mapped_file < 0) {
    delete[] data;
    return;
  }
  munmap(const_cast<unsigned char *>(data), size);
  close(static_cast<int>(mapped_file));
  watched_bytes = nullptr;
}

bool own_file_name(const char *path, char *name, std::size_t capacity) {
  struct stat info;
  if (stat(path, &info) != 0)
    return false;
  const char *slash = std::strrchr(path, '/');
  const char *own = slash ? slash + 1 : path;
  std::size_t length = std::strlen(own);
  if (length == 0 || length >= capacity)
    return false;
  std::memcpy(name, own, length + 1);
  return true;
}

bool directory_part(const char *path, char *directory, std::size_t capacity) {
  const char *slash = std::strrchr(path, '/');
  std::size_t length = slash ? static_cast<std::size_t>(slash - path) : 0;
  if (slash && length == 0)
    length = 1; // the root keeps its slash
  if (length >= capacity)
    return false;
  std::memcpy(directory, path, length);
  directory[length] = '\0';
  return true;
}

bool change_directory(const char *directory) { return chdir(directory) == 0; }

namespace {

// The kept working directory, open for fchdir; -1 while none is kept.
int kept_directory = -1;

// A directory that may not be read can still be returned to where it can be opened for its
// place alone.
#ifdef O_PATH
constexpr int DirectoryPlace = O_PATH;
#else
constexpr int DirectoryPlace = O_RDONLY;
#endif

} // namespace

bool keep_working_directory() {
  if (kept_directory >= 0)
    close(kept_directory);
  kept_directory = open(".", DirectoryPlace | O_DIRECTORY | O_CLOEXEC);
  return kept_directory >= 0;
}

// With none kept, fchdir fails on the -1 and says so.
bool return_to_kept_directory() { return fchdir(kept_directory) == 0; }

namespace {

// The kept build directory, open for fchdir; -1 while none is kept.
int build_directory = -1;

} // namespace

bool keep_build_directory(const char *path) {
  int directory = open(path, DirectoryPlace | O_DIRECTORY | O_CLOEXEC);
  if (directory < 0)
    return false;
  if (build_directory >= 0)
    close(build_directory);
  build_directory = directory;
  return true;
}

bool enter_build_directory() { return fchdir(build_directory) == 0; }

void describe_system_failure(char *words, std::size_t capacity) {
  std::snprintf(words, capacity, "%s", std::strerror(errno));
}

bool starts_two_byte_character(unsigned char) { return false; }

bool utf8_of_name(const char *name, char *utf8, std::size_t capacity) {
  std::size_t length = std::strlen(name);
  if (length >= capacity)
    return false;
  std::memcpy(utf8, name, length + 1);
  return true;
}

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

// The directory swept last, so that a run writing many outputs into one directory (a build's)
// reads it once, not once per output. It is held open, so that no directory made after it is
// removed can be taken for it by its inode.
int swept_directory = -1;

bool is_swept_directory(const struct stat &here) {
  struct stat swept;
  return swept_directory >= 0 && fstat(swept_directory, &swept) == 0 &&
         swept.st_dev == here.st_dev && swept.st_ino == here.st_ino;
}

// Removes the temporary outputs in the working directory that a process killed past catching
// (SIGKILL) left behind: those whose process is gone. One of this process's number that it is
// not writing now is left from an earlier process that had that number. Where the directory may
// not be read nothing is removed.
void remove_stale_outputs() {
  struct stat here;
  if (stat(".", &here) == 0 && is_swept_directory(here))
    return;
  if (swept_directory >= 0)
    close(swept_directory);
  swept_directory = open(".", DirectoryPlace | O_DIRECTORY | O_CLOEXEC);
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
      discard_output(nullptr, name);
    }
    return file;
  }
  return nullptr;
}

namespace {

// Renames name to to when to is given, else removes it; either way name is no longer pending.
bool settle_output(std::FILE *file, const char *name, const char *to) {
  bool closed = !file || std::fclose(file) == 0;
  sigset_t saved;
  block_interrupts(&saved);
  bool placed = to && closed && rename(name, to) == 0;
  if (!placed)
    unlink(name);
  if (char *slot = pending_slot(name))
    slot[0] = '\0';
  restore_interrupts(&saved);
  return placed;
}

} // namespace

bool commit_output(std::FILE *file, const char *name, const char *to) {
  return settle_output(file, name, to);
}

void discard_output(std::FILE *file, const char *name) { settle_output(file, name, nullptr); }

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
