// A stream whose output goes nowhere: /dev/null, which every POSIX system has, opened once for
// all the inputs so that a run costs no more than one write of the output.
#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>

void start_discarding_writer(TextWriter &writer, WriterSink sink) {
  static std::FILE *const nowhere = std::fopen("/dev/null", "wb");
  if (!nowhere)
    std::abort();
  if (sink == WriterSink::values)
    start_value_writer(writer, nowhere);
  else
    start_writer(writer, nowhere);
}

void end_discarding_writer(TextWriter &writer) {
  if (!flush_writer(writer) || std::fflush(writer.file) != 0)
    std::abort();
  // Each array's elements run from its start to the next one's, the last to the end.
  for (int i = 0; i < writer.array_count; ++i) {
    std::uint64_t end = i + 1 < writer.array_count ? writer.arrays[i + 1].start : writer.handed_on;
    if (end - writer.arrays[i].start != 2 * static_cast<std::uint64_t>(writer.arrays[i].count))
      std::abort();
  }
}
