// The outcome texts the user is shown, one row per ConversionResult.
#pragma once

#include "app/dispatch.h"

struct OutcomeMessage {
  const char *text;    // nullptr: the result shows nothing
  const char *caption; // nullptr: the system's default caption
};

// The texts are in the build's narrow character set: UTF-8 for the command line, code page 932
// for Windows (that build compiles this table with -fexec-charset=CP932).
OutcomeMessage outcome_message(ConversionResult result);
