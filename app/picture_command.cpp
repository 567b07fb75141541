// The command line's --picture: reads each C file named, draws the one picture they make and
// writes it; any refusal is one line naming the file and what is wrong with it.
#include "app/picture_command.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

#include "app/picture_drawing.h"
#include "platform/command_line.h"
#include "platform/platform.h"

namespace {

// The file at path, held whole while it is read.
ConversionOutcome read_picture_path(const char *path, PictureFile &file) {
  SourceFile source;
  if (!open_source(path, SourceSharing::read, &source))
    return failed_in_system(ResultReadFailed, "cannot open");
  long long size = source_size(source);
  SourceBytes bytes;
  SourceHold hold = size <= 0 || static_cast<std::uint64_t>(size) > SIZE_MAX
                        ? SourceHold::no_memory
                        : hold_source_bytes(source, static_cast<std::size_t>(size), bytes);
  ConversionOutcome outcome = size == 0     ? failed(ResultReadFailed, "is empty")
                              : size < 0    ? failed_in_system(ResultReadFailed, "cannot tell its size")
                              : hold == SourceHold::no_memory ? failed(ResultReadFailed, "is too large to hold")
                              : hold == SourceHold::unreadable ? failed_in_system(ResultReadFailed, "cannot read")
                                          : read_picture_file(bytes.data, bytes.size, file);
  close_source(source);
  if (outcome.result == ResultSuccess && !source_bytes_whole(bytes))
    return failed(ResultReadFailed, "was cut short while it was read");
  return outcome;
}

int refuse(const char *argument, const ConversionOutcome &outcome) {
  std::string line = std::string("morvane: ") + argument + ": ";
  append_narrow_text(line, outcome.reason);
  write_line(stderr, line + "\n");
  return 1;
}

bool ends_in_png(const char *path) {
  std::size_t length = std::strlen(path);
  std::string end;
  for (const char *p = path + (length < 4 ? 0 : length - 4); *p; ++p)
    end += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
  return end == ".png";
}

} // namespace

int picture_command(int count, char **arguments) {
  if (count < 2) {
    write_line(stderr, "usage: morvane --picture OUT.png FILE.c ...\n");
    return 2;
  }
  // Room for a path too long for the seam, so that it is refused by its length.
  char out_buffer[2 * PathCapacity], buffer[2 * PathCapacity];
  ConversionOutcome too_long =
      failed(ResultReadFailed, "the path is longer than %zu bytes", sizeof buffer - 1);
  const char *out = argument_path(arguments[0], out_buffer, sizeof out_buffer);
  if (!out)
    return refuse(arguments[0], too_long);
  if (!ends_in_png(out))
    return refuse(arguments[0], failed(ResultReadFailed, "a picture's name ends in .png"));
  std::vector<PictureFile> files(static_cast<std::size_t>(count - 1));
  for (int i = 1; i < count; ++i) {
    const char *path = argument_path(arguments[i], buffer, sizeof buffer);
    ConversionOutcome read = path ? read_picture_path(path, files[i - 1]) : too_long;
    if (read.result != ResultSuccess)
      return refuse(arguments[i], read);
  }
  DrawnPicture picture;
  std::size_t culprit;
  ConversionOutcome drawn = draw_picture(files, picture, culprit);
  if (drawn.result != ResultSuccess)
    return refuse(arguments[culprit + 1], drawn);
  ConversionOutcome written = write_picture(picture, out);
  if (written.result != ResultSuccess)
    return refuse(arguments[0], written);
  write_line(stdout, std::string(arguments[0]) + ": drawn, " + std::to_string(picture.width) +
                         " x " + std::to_string(picture.height) + " pixels\n");
  return 0;
}
