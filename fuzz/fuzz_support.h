// What the fuzz targets share: a writer whose text goes nowhere, so that a converter's parsing
// and text writing run on fuzzer bytes in memory, the text thrown into /dev/null.
#pragma once

#include "convert/common/text_writer.h"

// Starts writer on a stream that throws its text away; end it with end_discarding_writer.
void start_discarding_writer(TextWriter &writer);

// Flushes the writer and the stream; aborts when either reports a failed write.
void end_discarding_writer(TextWriter &writer);
