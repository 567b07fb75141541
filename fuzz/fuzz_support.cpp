// A stream whose text goes nowhere: /dev/null, which every POSIX system has, opened once for all
// the inputs so that a run costs no more than one write of the text.
#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>

void start_discarding_writer(TextWriter &writer) {
  static std::FILE *const nowhere = std::fopen("/dev/null", "wb");
  if (!nowhere)
    std::abort();
  start_writer(writer, nowhere);
}

void end_discarding_writer(TextWriter &writer) {
  if (!flush_writer(writer) || std::fflush(writer.file) != 0)
    std::abort();
}
