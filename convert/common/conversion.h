// What every converter and both shells share: the source's path and a conversion's outcome.
#pragma once

#include <cstddef>
#include <cstdio>

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

// Room for a reason, the NUL included: enough for a file name and the system's own words.
constexpr std::size_t ReasonCapacity = 384;

// What a conversion came to: its result and, for a failure, the reason in a few English words
// that name the value at fault ("24 bits per pixel, not 4 or 8"), set where the failure is
// found. The reason is empty on success.
struct ConversionOutcome {
  ConversionResult result;
  char reason[ReasonCapacity];
};

ConversionOutcome succeeded();

// The compiler checks each reason against the printf that formats it, which the build names as
// REASON_FORMAT (MinGW replaces the C library's with its own).
// A failure, its reason formatted as by printf.
ConversionOutcome failed(ConversionResult result, const char *format, ...)
    __attribute__((format(REASON_FORMAT, 2, 3)));

// A failure of a call to the system: the reason is what was being done, formatted as by printf,
// then the system's own words for the call that just failed ("cannot open: No such file or
// directory").
ConversionOutcome failed_in_system(ConversionResult result, const char *format, ...)
    __attribute__((format(REASON_FORMAT, 2, 3)));
