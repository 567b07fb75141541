// The operating-system seam for Linux and macOS.
#include "platform/platform.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

bool open_source(const char *path, SourceSharing, SourceFile *file) {
  // POSIX has no share modes; the source is only ever read. Only a regular file is a source:
  // the open does not wait, so a FIFO with no writer is refused at once instead of hanging the
  // program, and a device or directory is refused too.
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0)
    return false;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    close(fd);
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

std::FILE *create_temporary_output(char *name, std::size_t capacity) {
  // A file size limit (ulimit -f) is then a write that fails, reported like any other, rather
  // than the end of the program.
  signal(SIGXFSZ, SIG_IGN);
  static const char pattern[] = ".morvane-XXXXXX";
  if (capacity < sizeof pattern)
    return nullptr;
  std::memcpy(name, pattern, sizeof pattern);
  int fd = mkstemp(name);
  if (fd < 0)
    return nullptr;
  // mkstemp makes the file private; the output gets the permissions any new file would get.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  std::FILE *file = fdopen(fd, "wb");
  if (!file) {
    close(fd);
    unlink(name);
  }
  return file;
}

bool replace_file(const char *from, const char *to) { return rename(from, to) == 0; }

void remove_file(const char *name) { unlink(name); }
