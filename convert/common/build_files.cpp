// The assembler file and the header of the build form, and putting its three files in place.
// Their text is made in fixed buffers with the C library's formatting, as the rest of the core's
// is: the window program links this too, and stays free of the C++ string library.
#include "convert/common/build_files.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace {

// A name in UTF-8: a byte of the narrow text is at most four of UTF-8.
constexpr std::size_t Utf8NameCapacity = 4 * PathCapacity + 16;

// The names the texts hold, in UTF-8: the source's own file name, the base name the three files
// are named by, and each array's.
struct BuildNames {
  char source_name[Utf8NameCapacity];
  char base_name[Utf8NameCapacity];
  char array_names[MostArrays][Utf8NameCapacity];
};

// Room for either text: for each array its name five times and the escaped file name, at most
// four bytes a byte, and the lines' own words.
constexpr std::size_t BuildTextCapacity = 4096 + 12 * MostArrays * Utf8NameCapacity;

// One of the two texts, made in place; a text that would not fit is cut, and never written.
struct BuildText {
  char bytes[BuildTextCapacity];
  std::size_t length;
  bool cut;
};

__attribute__((format(REASON_FORMAT, 2, 3))) void append(BuildText &text, const char *format, ...) {
  std::size_t room = sizeof text.bytes - text.length;
  std::va_list arguments;
  va_start(arguments, format);
  int length = std::vsnprintf(text.bytes + text.length, room, format, arguments);
  va_end(arguments);
  if (length < 0 || static_cast<std::size_t>(length) >= room)
    text.cut = true;
  else
    text.length += static_cast<std::size_t>(length);
}

// A name as a comment holds it: a control character (a line end would end a // comment) shows
// as '?'.
void append_in_comment(BuildText &text, const char *name) {
  for (const char *c = name; *c; ++c) {
    bool control = static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F;
    append(text, "%c", control ? '?' : *c);
  }
}

// A file name as an assembler string: '"' and '\' escaped, control characters as octal escapes.
void append_assembler_string(BuildText &text, const char *name, const char *suffix) {
  append(text, "\"");
  for (const char *c = name; *c; ++c) {
    auto byte = static_cast<unsigned char>(*c);
    if (*c == '"' || *c == '\\')
      append(text, "\\%c", *c);
    else if (byte < 0x20 || byte == 0x7F)
      append(text, "\\%03o", byte);
    else
      append(text, "%c", *c);
  }
  append(text, "%s\"", suffix);
}

bool find_names(const OutputFile &output, const char *base_name, BuildNames &names) {
  if (!utf8_of_name(output.source_name, names.source_name, Utf8NameCapacity) ||
      !utf8_of_name(base_name, names.base_name, Utf8NameCapacity))
    return false;
  for (int i = 0; i < output.text.array_count; ++i) {
    if (!utf8_of_name(output.text.arrays[i].name, names.array_names[i], Utf8NameCapacity))
      return false;
  }
  return true;
}

// NAME.s: each array in a read-only section of its own, 4-byte aligned, global, an object of its
// size, its bytes taken from NAME.bin (found through the assembler's -I). Array names hold
// letters, digits, '_', '$' and bytes from 0x80 up: quoted, the assembler takes them all as one
// symbol, a leading '_' or '$' and UTF-8 characters included.
void make_assembly_text(BuildText &text, const BuildNames &names, const TextWriter &values) {
  append(text, "/* The arrays morvane made, for the GNU assembler: their bytes are read from the "
               "file .incbin names, found through -I. */\n");
  for (int i = 0; i < values.array_count; ++i) {
    const char *name = names.array_names[i];
    long long size = 2 * values.arrays[i].count;
    append(text, "\t.section \".rodata.%s\",\"a\",%%progbits\n", name);
    append(text, "\t.balign 4\n");
    append(text, "\t.global \"%s\"\n", name);
    append(text, "\t.type \"%s\", %%object\n", name);
    append(text, "\"%s\":\n", name);
    // An empty array takes no bytes: the assembler warns of an .incbin of none.
    if (size > 0) {
      append(text, "\t.incbin ");
      append_assembler_string(text, names.base_name, BuildValuesSuffix);
      append(text, ", %llu, %lld\n", static_cast<unsigned long long>(values.arrays[i].start), size);
    }
    append(text, "\t.size \"%s\", %lld\n", name, size);
  }
}

// NAME.h: each array declared with its element count and its 4-byte alignment.
void make_header_text(BuildText &text, const BuildNames &names, const TextWriter &values) {
  append(text, "// The arrays morvane made from ");
  append_in_comment(text, names.source_name);
  append(text, ", for C and C++; they are defined in ");
  append_in_comment(text, names.base_name);
  append(text, ".s.\n"
               "#pragma once\n"
               "#ifdef __cplusplus\n"
               "extern \"C\" {\n"
               "#endif\n");
  for (int i = 0; i < values.array_count; ++i)
    append(text, "extern const unsigned short %s[%lld] __attribute__((aligned(4)));\n",
           names.array_names[i], values.arrays[i].count);
  append(text, "#ifdef __cplusplus\n"
               "}\n"
               "#endif\n");
}

// One of the two texts on its way: its temporary file, written whole, waits to be put in place.
struct PendingText {
  const char *suffix;
  BuildText text;
  char name[PathCapacity];
  std::FILE *file;
  char temporary_name[PathCapacity];
};

// The two texts, kept off the stack: one conversion runs at a time.
PendingText pending_texts[2];

// Writes pending's text to a temporary file, unless its file holds that text already.
bool write_pending(PendingText &pending) {
  const BuildText &text = pending.text;
  if (output_holds(pending.name, text.bytes, text.length))
    return true;
  pending.file = create_temporary_output(pending.temporary_name, sizeof pending.temporary_name);
  return pending.file && std::fwrite(text.bytes, 1, text.length, pending.file) == text.length &&
         std::fflush(pending.file) == 0;
}

// The failure to write name, in the system's words (taken first), every temporary file removed.
ConversionOutcome failed_writing(const char *name, OutputFile &output) {
  ConversionOutcome failure = failed_in_system(ResultReadFailed, "writing %s failed", name);
  for (PendingText &pending : pending_texts) {
    if (pending.file)
      discard_output(pending.file, pending.temporary_name);
    pending.file = nullptr;
  }
  abandon_output(output);
  return failure;
}

} // namespace

ConversionOutcome finish_build_files(OutputFile &output) {
  PendingText &assembly = pending_texts[0], &header = pending_texts[1];
  for (PendingText &pending : pending_texts) {
    pending.text.length = 0;
    pending.text.cut = false;
    pending.file = nullptr;
  }
  assembly.suffix = ".s";
  header.suffix = ".h";
  bool written = flush_writer(output.text);
  written = std::fflush(output.text.file) == 0 && written;
  if (!written)
    return failed_writing(output.final_name, output);
  // The base name: NAME.bin without its suffix.
  char base_name[PathCapacity];
  std::size_t base_length = std::strlen(output.final_name) - (sizeof BuildValuesSuffix - 1);
  std::memcpy(base_name, output.final_name, base_length);
  base_name[base_length] = '\0';
  static BuildNames names;
  bool named = find_names(output, base_name, names);
  if (named) {
    make_assembly_text(assembly.text, names, output.text);
    make_header_text(header.text, names, output.text);
  }
  if (!named || assembly.text.cut || header.text.cut) {
    abandon_output(output);
    return failed(ResultReadFailed, "its names do not fit the texts of %s.s and %s.h", base_name,
                  base_name);
  }
  for (PendingText &pending : pending_texts) {
    std::snprintf(pending.name, sizeof pending.name, "%s%s", base_name, pending.suffix);
    if (!write_pending(pending))
      return failed_writing(pending.name, output);
  }
  for (PendingText &pending : pending_texts) {
    if (!pending.file)
      continue;
    std::FILE *file = pending.file;
    pending.file = nullptr;
    if (!commit_output(file, pending.temporary_name, pending.name))
      return failed_writing(pending.name, output);
  }
  if (!commit_output(output.text.file, output.temporary_name, output.final_name))
    return failed_in_system(ResultReadFailed, "writing %s failed", output.final_name);
  return succeeded();
}
