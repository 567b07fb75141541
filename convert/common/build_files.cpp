// The assembler file and the header of the build form, and putting its three files in place.
#include "convert/common/build_files.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace {

// The names the texts hold, in UTF-8: the source's own file name, the base name the three files
// are named by, and each array's.
struct BuildNames {
  std::string source_name;
  std::string base_name;
  std::string array_names[MostArrays];
};

// A name as a comment holds it: a control character (a line end would end a // comment) shows
// as '?'.
std::string in_comment(const std::string &name) {
  std::string text = name;
  for (char &c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      c = '?';
  }
  return text;
}

// A file name as an assembler string: '"' and '\' escaped, control characters as octal escapes.
std::string in_assembler_string(const std::string &name) {
  std::string text = "\"";
  for (char c : name) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      text += '\\';
      text += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\%03o", byte);
      text += escape;
    } else {
      text += c;
    }
  }
  return text + "\"";
}

// Array names hold letters, digits, '_', '$' and bytes from 0x80 up: quoted, the assembler takes
// them all as one symbol, a leading '_' or '$' and UTF-8 characters included.
std::string quoted(const std::string &name) { return "\"" + name + "\""; }

// The narrow name in UTF-8; false when it does not fit.
bool to_utf8(const char *name, std::string &text) {
  char utf8[4 * PathCapacity + 16]; // a byte of narrow text is at most four of UTF-8
  if (!utf8_of_name(name, utf8, sizeof utf8))
    return false;
  text = utf8;
  return true;
}

bool find_names(const OutputFile &output, const char *base_name, BuildNames &names) {
  if (!to_utf8(output.source_name, names.source_name) || !to_utf8(base_name, names.base_name))
    return false;
  for (int i = 0; i < output.text.array_count; ++i) {
    if (!to_utf8(output.text.arrays[i].name, names.array_names[i]))
      return false;
  }
  return true;
}

// NAME.s: each array in a read-only section of its own, 4-byte aligned, global, an object of its
// size, its bytes taken from NAME.bin (found through the assembler's -I).
std::string assembly_text(const BuildNames &names, const TextWriter &values) {
  std::string text = "/* The arrays morvane made, for the GNU assembler: their bytes are read "
                     "from the file .incbin names, found through -I. */\n";
  for (int i = 0; i < values.array_count; ++i) {
    const std::string name = quoted(names.array_names[i]);
    std::string size = std::to_string(2 * values.arrays[i].count);
    text += "\t.section " + quoted(".rodata." + names.array_names[i]) + ",\"a\",%progbits\n";
    text += "\t.balign 4\n";
    text += "\t.global " + name + "\n";
    text += "\t.type " + name + ", %object\n";
    text += name + ":\n";
    // An empty array takes no bytes: the assembler warns of an .incbin of none.
    if (values.arrays[i].count > 0)
      text += "\t.incbin " + in_assembler_string(names.base_name + BuildValuesSuffix) + ", " +
              std::to_string(values.arrays[i].start) + ", " + size + "\n";
    text += "\t.size " + name + ", " + size + "\n";
  }
  return text;
}

// NAME.h: each array declared with its element count and its 4-byte alignment.
std::string header_text(const BuildNames &names, const TextWriter &values) {
  std::string text = "// The arrays morvane made from " + in_comment(names.source_name) +
                     ", for C and C++; they are defined in " + in_comment(names.base_name) +
                     ".s.\n"
                     "#pragma once\n"
                     "#ifdef __cplusplus\n"
                     "extern \"C\" {\n"
                     "#endif\n";
  for (int i = 0; i < values.array_count; ++i)
    text += "extern const unsigned short " + names.array_names[i] + "[" +
            std::to_string(values.arrays[i].count) + "] __attribute__((aligned(4)));\n";
  return text + "#ifdef __cplusplus\n"
                "}\n"
                "#endif\n";
}

// One of the two texts on its way: its temporary file, written whole, waits to be put in place.
struct PendingText {
  const char *suffix;
  std::string text;
  char name[PathCapacity];
  std::FILE *file;
  char temporary_name[PathCapacity];
};

// Writes pending's text to a temporary file, unless its file holds that text already.
bool write_pending(PendingText &pending) {
  if (output_holds(pending.name, pending.text.data(), pending.text.size()))
    return true;
  pending.file = create_temporary_output(pending.temporary_name, sizeof pending.temporary_name);
  return pending.file &&
         std::fwrite(pending.text.data(), 1, pending.text.size(), pending.file) ==
             pending.text.size() &&
         std::fflush(pending.file) == 0;
}

// The failure to write name, in the system's words (taken first), every temporary file removed.
ConversionOutcome failed_writing(const char *name, OutputFile &output, PendingText (&texts)[2]) {
  ConversionOutcome failure = failed_in_system(ResultReadFailed, "writing %s failed", name);
  for (PendingText &pending : texts) {
    if (pending.file)
      put_output_in_place(pending.file, pending.temporary_name, false, pending.name);
    pending.file = nullptr;
  }
  abandon_output(output);
  return failure;
}

} // namespace

ConversionOutcome finish_build_files(OutputFile &output) {
  PendingText texts[2] = {{".s", {}, {}, nullptr, {}}, {".h", {}, {}, nullptr, {}}};
  bool written = flush_writer(output.text);
  written = std::fflush(output.text.file) == 0 && written;
  if (!written)
    return failed_writing(output.final_name, output, texts);
  // The base name: NAME.bin without its suffix.
  char base_name[PathCapacity];
  std::size_t base_length = std::strlen(output.final_name) - (sizeof BuildValuesSuffix - 1);
  std::memcpy(base_name, output.final_name, base_length);
  base_name[base_length] = '\0';
  BuildNames names;
  if (!find_names(output, base_name, names)) {
    abandon_output(output);
    return failed(ResultReadFailed, "its names do not fit %zu bytes of UTF-8", 4 * PathCapacity);
  }
  texts[0].text = assembly_text(names, output.text);
  texts[1].text = header_text(names, output.text);
  for (PendingText &pending : texts) {
    std::snprintf(pending.name, sizeof pending.name, "%s%s", base_name, pending.suffix);
    if (!write_pending(pending))
      return failed_writing(pending.name, output, texts);
  }
  for (PendingText &pending : texts) {
    if (!pending.file)
      continue;
    std::FILE *file = pending.file;
    pending.file = nullptr;
    if (!put_output_in_place(file, pending.temporary_name, true, pending.name))
      return failed_writing(pending.name, output, texts);
  }
  if (!put_output_in_place(output.text.file, output.temporary_name, true, output.final_name))
    return failed_in_system(ResultReadFailed, "writing %s failed", output.final_name);
  return succeeded();
}
