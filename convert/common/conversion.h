// What every converter and both shells share: the source's path and a conversion's outcome.
#pragma once

#include <cstddef>

// Every path or name buffer of the program holds this many bytes, the NUL included.
constexpr std::size_t PathCapacity = 256;

// The file to convert: the full path (code page 932 on Windows) until prepare_output turns it
// into the base name as the array names begin with it.
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
