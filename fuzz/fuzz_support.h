// What the fuzz targets share: a writer whose output goes nowhere, so that a converter's parsing
// and writing run on fuzzer bytes in memory, the text and the values thrown into /dev/null.
#pragma once

#include "convert/common/text_writer.h"

// Starts writer, in sink, on a stream that throws its output away; end it with
// end_discarding_writer.
void start_discarding_writer(TextWriter &writer, WriterSink sink);

// Flushes the writer and the stream; aborts when either reports a failed write, or when an array
// of the values sink does not hold exactly the elements its declaration counts.
void end_discarding_writer(TextWriter &writer);

// Runs write (a converter's writing, given the writer) once in each sink.
template <typename Write> void write_in_both_sinks(Write write) {
  static TextWriter writer;
  for (WriterSink sink : {WriterSink::text, WriterSink::values}) {
    start_discarding_writer(writer, sink);
    write(writer);
    end_discarding_writer(writer);
  }
}
