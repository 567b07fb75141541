// The operating-system seam for Linux and macOS.
#include "platform/platform.h"

#include "platform/source_mapping.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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
// longer holds raises. A cut within the last page raises nothing: the lost bytes only read as
// zeros, so the mapped file's own descriptor is asked for its size as well.
SourceBytes *watched_bytes = nullptr;

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
  bytes->cut_short = 1;
}

} // namespace

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
  return true;
}

bool mapped_file_holds(const SourceBytes &bytes) {
  struct stat info;
  return fstat(static_cast<int>(bytes.mapped_file), &info) == 0 &&
         static_cast<std::uint64_t>(info.st_size) >= bytes.size;
}

void unmap_source_bytes(SourceBytes &bytes) {
  munmap(const_cast<unsigned char *>(bytes.data), bytes.size);
  close(static_cast<int>(bytes.mapped_file));
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

void describe_system_failure(char *words, std::size_t capacity) {
  std::snprintf(words, capacity, "%s", std::strerror(errno));
}

bool starts_two_byte_character(unsigned char) { return false; }

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
