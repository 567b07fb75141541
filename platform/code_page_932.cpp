// Code page 932 to UTF-16 and back, for the Windows seam and the Windows program.
#include "platform/code_page_932.h"

#include <cstring>
#include <cwchar>
#include <windows.h>

namespace {

// The UTF-16 units of the character that begins at wide: two for a surrogate pair, else one.
int character_units(const wchar_t *wide) {
  return IS_HIGH_SURROGATE(wide[0]) && IS_LOW_SURROGATE(wide[1]) ? 2 : 1;
}

// The character of units UTF-16 units at wide as code page 932 bytes in bytes, or a stand-in
// when code page 932 cannot hold it; the count of bytes.
int character_bytes(const wchar_t *wide, int units, char (&bytes)[2]) {
  BOOL used_default = FALSE;
  int count = WideCharToMultiByte(CodePage932, WC_NO_BEST_FIT_CHARS, wide, units, bytes, 2,
                                  nullptr, &used_default);
  if (count > 0 && !used_default)
    return count;
  bytes[0] = StandIn;
  return 1;
}

// A character at a time, so that each one code page 932 cannot hold, a surrogate pair too,
// becomes exactly one stand-in.
bool wide_to_shift_jis_with_stand_ins(const wchar_t *wide, int length, char *text,
                                      std::size_t capacity) {
  std::size_t used = 0;
  for (int at = 0; at < length;) {
    int units = at + 1 < length ? character_units(wide + at) : 1;
    char bytes[2];
    int count = character_bytes(wide + at, units, bytes);
    if (used + static_cast<std::size_t>(count) >= capacity)
      return false;
    std::memcpy(text + used, bytes, static_cast<std::size_t>(count));
    used += static_cast<std::size_t>(count);
    at += units;
  }
  text[used] = '\0';
  return true;
}

} // namespace

bool shift_jis_to_wide(const char *text, wchar_t *wide, int capacity) {
  return MultiByteToWideChar(CodePage932, MB_ERR_INVALID_CHARS, text, -1, wide, capacity) > 0;
}

bool wide_to_shift_jis(const wchar_t *wide, int length, char *text, std::size_t capacity) {
  if (capacity == 0)
    return false;
  if (length == 0) {
    text[0] = '\0';
    return true;
  }
  BOOL used_default = FALSE;
  int bytes = WideCharToMultiByte(CodePage932, WC_NO_BEST_FIT_CHARS, wide, length, text,
                                  static_cast<int>(capacity - 1), nullptr, &used_default);
  if (bytes > 0 && !used_default) {
    text[bytes] = '\0';
    return true;
  }
  return wide_to_shift_jis_with_stand_ins(wide, length, text, capacity);
}

bool shift_jis_to_wide_from(const char *text, const wchar_t *origin, wchar_t *wide, int capacity) {
  // A stand-in is never the second byte of a two-byte character, which is 0x40 or above.
  const char *last_stand_in = std::strrchr(text, StandIn);
  if (!last_stand_in)
    return shift_jis_to_wide(text, wide, capacity);
  // origin's characters in code page 932, alongside text's bytes, up to that stand-in.
  std::size_t known = static_cast<std::size_t>(last_stand_in + 1 - text);
  std::size_t matched = 0;
  int units = 0;
  while (matched < known) {
    if (origin[units] == L'\0')
      return false;
    int character = character_units(origin + units);
    char bytes[2];
    std::size_t count = static_cast<std::size_t>(character_bytes(origin + units, character, bytes));
    if (matched + count > known || std::memcmp(text + matched, bytes, count) != 0)
      return false;
    matched += count;
    units += character;
  }
  if (units >= capacity)
    return false;
  std::wmemcpy(wide, origin, static_cast<std::size_t>(units));
  return shift_jis_to_wide(last_stand_in + 1, wide + units, capacity - units);
}
