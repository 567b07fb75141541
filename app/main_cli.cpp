// The command-line program: converts each file it is given and prints a line for each, naming
// the file; or, for a build, writes each file's build form and prints its failures alone. It
// uses only the standard library and the platform seam, so it builds anywhere: on Windows it is
// the console companion, morvane-cli.exe.
#include <cstring>
#include <string>

#include "app/dispatch.h"
#include "app/messages.h"
#include "app/picture.h"
#include "convert/common/output.h"
#include "platform/command_line.h"
#include "platform/platform.h"

namespace {

// A build, which tells a failure by the exit status, is shown failures alone.
bool some_file_failed = false;

void report_result(const char *path, const ConversionOutcome &outcome) {
  if (outcome.result != ResultSuccess)
    some_file_failed = true;
  OutcomeMessage message = outcome_message(outcome.result);
  if (!message.text || (BuildForm && outcome.result == ResultSuccess))
    return;
  // Only a success prints on standard output, so that a build can tell it by that line alone.
  // Each line goes out whole as soon as it is known, in its place among the lines of other
  // programs running beside it under make -j.
  std::string line;
  if (message.caption) {
    line = std::string(path) + ": ";
    append_narrow_text(line, message.caption);
    line += ": ";
    append_narrow_text(line, message.text);
    write_line(stdout, line + "\n");
  } else {
    line = std::string("morvane: ") + path + ": ";
    append_narrow_text(line, message.text);
    line += " (";
    append_narrow_text(line, outcome.reason);
    write_line(stderr, line + ")\n");
  }
}

#ifdef MORVANE_PICTURE
const char PictureHelp[] =
    "morvane --picture OUT.png FILE.c ... draws into OUT.png what the GBA shows from C files\n"
    "morvane wrote: a bitmap's; a screen's, a character file's and a colour file's together; a\n"
    "character file's and a colour file's (the 1,024 tiles); or a colour file's (its 256\n"
    "colours). A file it cannot read is refused, with exit status 1.\n";
#else
const char PictureHelp[] = "";
#endif

// "usage: morvane FILE.bmp|FILE.scr|... ..." with every extension the dispatch knows, and the
// same after "--build DIR".
std::string usage() {
  std::string files;
  for (std::size_t i = 0; const char *extension = source_extension(i); ++i)
    files += std::string(i == 0 ? "" : "|") + "FILE." + extension;
  return "usage: morvane " + files + " ...\n       morvane --build DIR " + files + " ...\n";
}

// What the four source kinds become; the extension alone, in any letter case, tells the kind.
const char SourceKinds[] =
    "Converts each GBA graphics file named into NAME.c beside it and prints a line for each:\n"
    "  .bmp  a 16- or 256-colour bitmap, width and height multiples of 8: NAME_pal and NAME_sp\n"
    "  .scr  a screen of 32 x 32 entries (2,048 bytes): NAME_map\n"
    "  .cgx  1,024 planar 4-bit characters (32,768 bytes): NAME_sp\n"
    "  .col  256 colours of 16 bits (512 bytes): NAME_pal\n"
    "With --build, writes no NAME.c but, into the directory DIR, NAME.bin (the arrays' values,\n"
    "little-endian), NAME.s (places them, for the GNU assembler with -I DIR) and NAME.h (declares\n"
    "them for C and C++; rewritten only when it changes), prints only failures, and exits with 1\n"
    "when any file failed.\n";

// The outcome of converting the file argument names.
ConversionOutcome convert_argument(const char *argument) {
  // Room for a path too long for SourcePath, so that convert_path can say by how much.
  char buffer[2 * PathCapacity];
  const char *path = argument_path(argument, buffer, sizeof buffer);
  if (!path)
    return failed(ResultReadFailed, "the path is longer than %zu bytes", sizeof buffer - 1);
  return convert_path(path);
}

// Reports each of count paths as failed, for the one reason why.
void report_each_failed(int count, char **paths, const ConversionOutcome &why) {
  for (int i = 0; i < count; ++i)
    report_result(paths[i], why);
}

// Converts each path in turn. Each conversion moves into its source's directory, so the starting
// directory is kept once and returned to before each later path; where it cannot be, the rest
// fail rather than name some other file.
void convert_each(int count, char **paths) {
  if (count > 1 && !keep_working_directory()) {
    // The system's words are taken before the first conversion can change them.
    ConversionOutcome lost =
        failed_in_system(ResultReadFailed, "cannot keep the starting directory");
    report_result(paths[0], convert_argument(paths[0]));
    report_each_failed(count - 1, paths + 1, lost);
    return;
  }
  report_result(paths[0], convert_argument(paths[0]));
  for (int i = 1; i < count; ++i) {
    if (!return_to_kept_directory()) {
      report_each_failed(
          count - i, paths + i,
          failed_in_system(ResultReadFailed, "cannot return to the starting directory"));
      return;
    }
    report_result(paths[i], convert_argument(paths[i]));
  }
}

// The build directory argument names, kept for every conversion: ResultSuccess, or the outcome
// each file then has.
ConversionOutcome keep_build_directory_named(const char *argument) {
  char buffer[2 * PathCapacity];
  const char *path = argument_path(argument, buffer, sizeof buffer);
  if (!path)
    return failed(ResultReadFailed, "the build folder's path is longer than %zu bytes",
                  sizeof buffer - 1);
  if (!keep_build_directory(path))
    return failed_in_system(ResultReadFailed, "cannot enter the build folder %s", path);
  return succeeded();
}

// --build DIR FILE...: each file's build form in DIR; 1 when any file failed.
int build_each(const char *directory, int count, char **paths) {
  BuildForm = true;
  ConversionOutcome kept = keep_build_directory_named(directory);
  if (kept.result == ResultSuccess)
    convert_each(count, paths);
  else
    report_each_failed(count, paths, kept);
  return some_file_failed ? 1 : 0;
}

} // namespace

int main(int argc, char **argv) {
  argv = command_line_arguments(&argc, argv);
  if (argc < 2) {
    write_line(stderr, usage());
    return 2;
  }
  // Neither option has an extension, so no source can be named like them.
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    write_line(stdout, usage() + SourceKinds + PictureHelp);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    write_line(stdout, "morvane " MORVANE_VERSION "\n");
    return 0;
  }
  if (std::strcmp(argv[1], "--picture") == 0) {
#ifdef MORVANE_PICTURE
    if (argc >= 4)
      return picture_command(argc - 2, argv + 2);
    write_line(stderr, "usage: morvane --picture OUT.png FILE.c ...\n");
    return 2;
#else
    write_line(stderr, "morvane: --picture: this morvane was built without stb's image writer\n");
    return 1;
#endif
  }
  // Like them it has no extension.
  if (std::strcmp(argv[1], "--build") == 0) {
    if (argc < 4) {
      write_line(stderr, usage());
      return 2;
    }
    return build_each(argv[2], argc - 3, argv + 3);
  }
  convert_each(argc - 1, argv + 1);
  return 0;
}
