// The operating-system seam for Linux and macOS: the source, its names and the directories
// around it. The output is put in place by output_posix.cpp.
#include "platform/platform.h"

#include "platform/source_mapping.h"

#include <cerrno>
#include <cstdio>
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
