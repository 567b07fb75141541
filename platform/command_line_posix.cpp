// The command-line program's seam where arguments and lines are bytes, passed on as they are.
#include "platform/command_line.h"

#include <cerrno>
#include <unistd.h>

char **command_line_arguments(int *, char **argv) { return argv; }

const char *argument_path(const char *argument, char *, std::size_t) { return argument; }

void append_narrow_text(std::string &line, const char *text) { line += text; }

void write_line(std::FILE *stream, const std::string &line) {
  std::fflush(stream);
  const char *next = line.data();
  std::size_t left = line.size();
  while (left > 0) {
    ssize_t written = write(fileno(stream), next, left);
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      return;
    next += written;
    left -= static_cast<std::size_t>(written);
  }
}
