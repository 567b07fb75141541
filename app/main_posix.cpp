// The command-line program: converts the one file it is given and prints the outcome.
#include <cstdio>
#include <cstring>

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

namespace {

// "usage: morvane FILE.bmp|FILE.scr|..." with every extension the dispatch knows.
void print_usage(std::FILE *stream) {
  std::fputs("usage: morvane ", stream);
  for (std::size_t i = 0; const char *extension = source_extension(i); ++i)
    std::fprintf(stream, "%sFILE.%s", i == 0 ? "" : "|", extension);
  std::fputc('\n', stream);
}

// What the four source kinds become; the extension alone, in any letter case, tells the kind.
const char SourceKinds[] =
    "Converts one GBA graphics file into NAME.c beside it and prints the outcome:\n"
    "  .bmp  a 16- or 256-colour bitmap, width and height multiples of 8: NAME_pal and NAME_sp\n"
    "  .scr  a screen of 32 x 32 entries (2,048 bytes): NAME_map\n"
    "  .cgx  1,024 planar 4-bit characters (32,768 bytes): NAME_sp\n"
    "  .col  256 colours of 16 bits (512 bytes): NAME_pal\n";

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    print_usage(stderr);
    return 2;
  }
  // Neither option has an extension, so no source can be named like them.
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    print_usage(stdout);
    std::fputs(SourceKinds, stdout);
    return 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::puts("morvane " MORVANE_VERSION);
    return 0;
  }
  convert_source(argv[1]);
  return 0;
}
