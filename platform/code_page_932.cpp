// Code page 932 to UTF-16 and back, for the Windows seam and the Windows program.
#include "platform/code_page_932.h"

#include <windows.h>

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
  if (bytes <= 0 || used_default)
    return false;
  text[bytes] = '\0';
  return true;
}
