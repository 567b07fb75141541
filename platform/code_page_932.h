// The Windows program's narrow text is code page 932 whatever the system's own code page is;
// these turn it into the system's UTF-16 and back.
//
// A character code page 932 cannot hold (an accented letter, Hangul, an emoji) stands in the
// narrow text as the one byte StandIn, which no Windows file name holds and which the array
// names turn into '_' as they do every character that cannot stand in a C name. Such a text is
// turned back into UTF-16 beside the UTF-16 text it came from, which gives each stand-in its
// character back.
#pragma once

#include <cstddef>

constexpr unsigned CodePage932 = 932;

// ASCII's substitute character, a control character: Windows names never hold one.
constexpr char StandIn = '\x1A';

// text to UTF-16 in wide, capacity units with the NUL; false for bytes that are not code page
// 932 text or a text that does not fit.
bool shift_jis_to_wide(const char *text, wchar_t *wide, int capacity);

// length UTF-16 units to code page 932 text in text, capacity bytes with the NUL, with a
// stand-in for each character code page 932 cannot hold (never a look-alike, which would name
// another file); false when the text does not fit.
bool wide_to_shift_jis(const wchar_t *wide, int length, char *text, std::size_t capacity);

// As shift_jis_to_wide, for a text made from the code page 932 form of origin (a UTF-16 text):
// up to its last stand-in it must be that form's beginning, and those stand-ins take back
// origin's characters. False for a stand-in that origin does not explain.
bool shift_jis_to_wide_from(const char *text, const wchar_t *origin, wchar_t *wide, int capacity);
