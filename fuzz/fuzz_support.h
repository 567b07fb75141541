// What the fuzz targets share: a writer whose text goes nowhere, so that a converter's parsing
// and text writing run on fuzzer bytes in memory, with no file involved.
#pragma once

#include "convert/common/text_writer.h"

// Starts writer on a new stream that throws its text away; end it with end_discarding_writer.
void start_discarding_writer(TextWriter &writer);

// Flushes and closes the stream; aborts when the writer reports a failed write.
void end_discarding_writer(TextWriter &writer);
