// The one path buffer every converter reads its source's name from, and the outcomes converters
// return.
#include "convert/common/conversion.h"

#include <cstdarg>
#include <cstdio>

#include "platform/platform.h"

char SourcePath[PathCapacity];

ConversionOutcome succeeded() { return {ResultSuccess, {}}; }

ConversionOutcome failed(ConversionResult result, const char *format, ...) {
  ConversionOutcome outcome = {result, {}};
  std::va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(outcome.reason, sizeof outcome.reason, format, arguments);
  va_end(arguments);
  return outcome;
}

ConversionOutcome failed_in_system(ConversionResult result, const char *format, ...) {
  // Taken first, before anything else can touch the system's record of the failure.
  char words[ReasonCapacity];
  describe_system_failure(words, sizeof words);
  char doing[ReasonCapacity];
  std::va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(doing, sizeof doing, format, arguments);
  va_end(arguments);
  return failed(result, "%s: %s", doing, words);
}
