// The road from a path in SourcePath to a converter and the report of its outcome.
#pragma once

#include <cstddef>

// Every path or name buffer of the program holds this many bytes, the NUL included.
constexpr std::size_t PathCapacity = 256;

// The file to convert: the full path (code page 932 on Windows) until prepare_output turns it
// into the base name.
extern char SourcePath[PathCapacity];

enum ConversionKind {
  KindNone = 0,
  KindBitmap = 1,
  KindScreen = 2,
  KindCharacter = 3,
  KindPalette = 4,
};

enum ConversionResult {
  ResultUnsupported = 0,
  ResultReadFailed = 1,
  ResultNotIndexedBitmap = 2,
  ResultSizeNotMultipleOf8 = 3,
  ResultSuccess = 15,
};

// Copies path into SourcePath; false, with SourcePath untouched, when it does not fit.
bool set_source_path(const char *path);

ConversionKind classify_source();

// Converts the file named by SourcePath and reports the outcome through report_result.
void run_conversion();

// Provided by each shell: tells the user the outcome, then asks the program to end.
void report_result(ConversionResult result);
