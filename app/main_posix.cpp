// The command-line program: converts the one file it is given and prints the outcome.
#include <cstdio>

#include "app/dispatch.h"
#include "app/messages.h"

void report_result(ConversionResult result) {
  OutcomeMessage message = outcome_message(result);
  if (!message.text)
    return;
  if (message.caption)
    std::printf("%s: %s\n", message.caption, message.text);
  else
    std::fprintf(stderr, "%s\n", message.text);
}

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: morvane FILE.bmp|FILE.scr|FILE.cgx|FILE.col\n");
    return 2;
  }
  // A path that does not fit the path buffer cannot be converted; it is refused as unreadable.
  if (!set_source_path(argv[1]))
    report_result(ResultReadFailed);
  else
    run_conversion();
  return 0;
}
