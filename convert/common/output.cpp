// Where the output goes and what it is called, and its safe replacement of an earlier output.
#include "convert/common/output.h"

#include <cstring>

#include "convert/common/build_files.h"
#include "platform/platform.h"

bool BuildForm = false;

namespace {

constexpr char OutputSuffix[] = ".c";

bool is_ascii_digit(unsigned char c) { return c >= '0' && c <= '9'; }

// The bytes a C identifier may hold as they stand: ASCII letters, digits, '_' and '$' (which
// the usual compilers accept), and every byte from 0x80 up, which a compiler reading the file in
// its code page takes as part of a character.
bool stays_in_identifier(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || is_ascii_digit(c) || c == '_' ||
         c == '$' || c >= 0x80;
}

// The base name as the arrays are called by it: every other ASCII byte becomes '_', and a
// leading digit gets a '_' before it, so "1-3" gives "_1_3". Both bytes of a two-byte character
// stay whole, the ASCII second byte of a code page 932 character included. name holds at least
// two bytes more than base's length.
void make_array_name(const char *base, char *name) {
  const auto *in = reinterpret_cast<const unsigned char *>(base);
  char *out = name;
  if (is_ascii_digit(in[0]))
    *out++ = '_';
  while (*in) {
    if (starts_two_byte_character(in[0]) && in[1] != '\0') {
      *out++ = static_cast<char>(*in++);
      *out++ = static_cast<char>(*in++);
    } else {
      *out++ = stays_in_identifier(*in) ? static_cast<char>(*in) : '_';
      ++in;
    }
  }
  *out = '\0';
}

bool is_same_file(const FileIdentity &a, const FileIdentity &b) {
  return a.file != 0 && a.volume == b.volume && a.file == b.file;
}

} // namespace

ConversionOutcome prepare_output(OutputFile &output, const FileIdentity &source) {
  output.source = source;
  char directory[PathCapacity];
  char own_name[PathCapacity];
  if (!directory_part(SourcePath, directory, sizeof directory))
    return failed(ResultReadFailed, "its folder's path does not fit %zu bytes", PathCapacity);
  if (!own_file_name(SourcePath, own_name, sizeof own_name))
    return failed_in_system(ResultReadFailed, "cannot look up its own name");

  std::memcpy(output.source_name, own_name, sizeof own_name);

  // The base name is cut at the first '.', so title.screen.bmp gives title.
  if (char *dot = std::strchr(own_name, '.'))
    *dot = '\0';
  std::size_t base_length = std::strlen(own_name);
  const char *suffix = BuildForm ? BuildValuesSuffix : OutputSuffix;
  std::size_t suffix_size = std::strlen(suffix) + 1;
  if (base_length + suffix_size > PathCapacity)
    return failed(ResultReadFailed, "the output's name %s%s does not fit %zu bytes", own_name,
                  suffix, PathCapacity);

  // Output landing in some other directory could replace an unrelated file there, so a failed
  // change of directory stops the conversion.
  if (BuildForm && !enter_build_directory())
    return failed_in_system(ResultReadFailed, "cannot enter the build folder");
  if (!BuildForm && directory[0] != '\0' && !change_directory(directory))
    return failed_in_system(ResultReadFailed, "cannot enter its folder %s", directory);

  make_array_name(own_name, SourcePath);
  std::memcpy(output.final_name, own_name, base_length);
  std::memcpy(output.final_name + base_length, suffix, suffix_size);

  std::FILE *file = create_temporary_output(output.temporary_name, sizeof output.temporary_name);
  if (!file)
    return failed_in_system(ResultReadFailed, "writing %s failed", output.final_name);
  if (BuildForm)
    start_value_writer(output.text, file);
  else
    start_writer(output.text, file);
  return succeeded();
}

ConversionOutcome finish_output(OutputFile &output) {
  if (BuildForm)
    return finish_build_files(output);
  bool written = flush_writer(output.text);
  written = std::fflush(output.text.file) == 0 && written;
  // A link can give the source the output's name (s.bmp leading to s.c): the output would then
  // replace the very bytes it was made from. An output's name that is a link itself is replaced,
  // whatever it leads to.
  FileIdentity existing;
  if (file_identity(output.final_name, &existing) && is_same_file(existing, output.source)) {
    abandon_output(output);
    return failed(ResultReadFailed, "writing %s would replace the source itself",
                  output.final_name);
  }
  if (!written)
    discard_output(output.text.file, output.temporary_name);
  else if (commit_output(output.text.file, output.temporary_name, output.final_name))
    return succeeded();
  return failed_in_system(ResultReadFailed, "writing %s failed", output.final_name);
}

void abandon_output(OutputFile &output) { discard_output(output.text.file, output.temporary_name); }
