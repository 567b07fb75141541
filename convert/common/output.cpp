// Where the output goes and what it is called, and its safe replacement of an earlier output.
#include "convert/common/output.h"

#include <cstring>

#include "platform/platform.h"

namespace {

constexpr char OutputSuffix[] = ".c";

} // namespace

bool prepare_output(OutputFile &output) {
  char directory[PathCapacity];
  char own_name[PathCapacity];
  if (!directory_part(SourcePath, directory, sizeof directory) ||
      !own_file_name(SourcePath, own_name, sizeof own_name))
    return false;

  // The base name is cut at the first '.', so title.screen.bmp gives title.
  if (char *dot = std::strchr(own_name, '.'))
    *dot = '\0';
  std::size_t base_length = std::strlen(own_name);
  if (base_length + sizeof OutputSuffix > PathCapacity)
    return false;

  // Output landing in some other directory could replace an unrelated file there, so a failed
  // change of directory stops the conversion.
  if (directory[0] != '\0' && !change_directory(directory))
    return false;

  std::memcpy(SourcePath, own_name, base_length + 1);
  std::memcpy(output.final_name, own_name, base_length);
  std::memcpy(output.final_name + base_length, OutputSuffix, sizeof OutputSuffix);

  std::FILE *file = create_temporary_output(output.temporary_name, sizeof output.temporary_name);
  if (!file)
    return false;
  start_writer(output.text, file);
  return true;
}

ConversionResult finish_output(OutputFile &output) {
  bool written = flush_writer(output.text);
  written = std::fflush(output.text.file) == 0 && written;
  if (put_output_in_place(output.text.file, output.temporary_name, written, output.final_name))
    return ResultSuccess;
  return ResultReadFailed;
}

void abandon_output(OutputFile &output) {
  put_output_in_place(output.text.file, output.temporary_name, false, output.final_name);
}
