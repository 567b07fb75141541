// A stream with no file behind it: glibc's cookie streams let its writes simply succeed.
#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>

namespace {

ssize_t discard(void *, const char *, size_t size) { return static_cast<ssize_t>(size); }

} // namespace

void start_discarding_writer(TextWriter &writer) {
  cookie_io_functions_t functions{};
  functions.write = discard;
  std::FILE *stream = fopencookie(nullptr, "w", functions);
  if (!stream)
    std::abort();
  start_writer(writer, stream);
}

void end_discarding_writer(TextWriter &writer) {
  if (!flush_writer(writer) || std::fclose(writer.file) != 0)
    std::abort();
}
