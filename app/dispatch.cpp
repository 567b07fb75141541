// Choosing the converter by the source's extension, running it and handing on its result.
#include "app/dispatch.h"

#include <cstring>
#include <iterator>

#include "convert/bitmap.h"
#include "convert/characters.h"
#include "convert/palette.h"
#include "convert/screen_map.h"

namespace {

struct ExtensionRow {
  const char *extension;
  ConversionKind kind;
  ConversionOutcome (*convert)();
};

// Searched in order; the first match wins.
constexpr ExtensionRow extension_table[] = {
    {"bmp", KindBitmap, convert_bitmap},
    {"scr", KindScreen, convert_screen_map},
    {"cgx", KindCharacter, convert_characters},
    {"col", KindPalette, convert_palette},
};

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equal_ignoring_ascii_case(const char *a, const char *b) {
  for (; *a && *b; ++a, ++b) {
    if (ascii_lower(*a) != ascii_lower(*b))
      return false;
  }
  return *a == *b;
}

// The text after the last '.' that has something after it, or nullptr.
const char *find_extension(const char *path) {
  const char *extension = nullptr;
  for (const char *p = path; *p; ++p) {
    if (*p == '.' && p[1] != '\0')
      extension = p + 1;
  }
  return extension;
}

const ExtensionRow *find_row(const char *path) {
  const char *extension = find_extension(path);
  if (!extension)
    return nullptr;
  for (const ExtensionRow &row : extension_table) {
    if (equal_ignoring_ascii_case(extension, row.extension))
      return &row;
  }
  return nullptr;
}

} // namespace

bool set_source_path(const char *path) {
  std::size_t length = std::strlen(path);
  if (length >= PathCapacity)
    return false;
  std::memcpy(SourcePath, path, length + 1);
  return true;
}

ConversionKind classify_source() {
  const ExtensionRow *row = find_row(SourcePath);
  return row ? row->kind : KindNone;
}

const char *source_extension(std::size_t index) {
  return index < std::size(extension_table) ? extension_table[index].extension : nullptr;
}

ConversionOutcome run_conversion() {
  if (const ExtensionRow *row = find_row(SourcePath))
    return row->convert();
  const char *extension = find_extension(SourcePath);
  if (!extension)
    return failed(ResultUnsupported, "the name has no extension");
  return failed(ResultUnsupported, "the extension \"%s\" is not known", extension);
}

ConversionOutcome convert_path(const char *path) {
  if (!set_source_path(path))
    return failed(ResultReadFailed, "the path is %zu bytes long; at most %zu fit",
                  std::strlen(path), PathCapacity - 1);
  return run_conversion();
}
