// The road from a path through SourcePath to a converter and the report of its outcome.
#pragma once

#include "convert/common/conversion.h"

// Copies path into SourcePath; false, with SourcePath untouched, when it does not fit.
bool set_source_path(const char *path);

ConversionKind classify_source();

// The extension of the index-th kind of source the dispatch knows ("bmp", "scr", "cgx", "col",
// in the order it tries them), or nullptr past the last.
const char *source_extension(std::size_t index);

// Converts the file named by SourcePath with the converter its extension chooses.
ConversionOutcome run_conversion();

// What both shells do with a path they take in: it becomes SourcePath and is converted. A path
// that does not fit SourcePath cannot be converted; it is refused as unreadable.
ConversionOutcome convert_path(const char *path);
