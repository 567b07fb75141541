// The Windows program's narrow text is code page 932 whatever the system's own code page is;
// these turn it into the system's UTF-16 and back.
#pragma once

#include <cstddef>

constexpr unsigned CodePage932 = 932;

// text to UTF-16 in wide, capacity units with the NUL; false for bytes that are not code page
// 932 text or a text that does not fit.
bool shift_jis_to_wide(const char *text, wchar_t *wide, int capacity);

// length UTF-16 units to code page 932 text in text, capacity bytes with the NUL; false when a
// character has no code page 932 form (no look-alike is put in its place, since that would name
// another file) or the text does not fit.
bool wide_to_shift_jis(const wchar_t *wide, int length, char *text, std::size_t capacity);
