// Telling a temporary output's name from any other.
#include "platform/temporary_name.h"

#include <cstring>

namespace {

// True when the characters from..end spell a decimal number without a leading zero, at most
// highest, which goes to number.
bool read_decimal(const char *from, const char *end, unsigned long long highest,
                  unsigned long long *number) {
  if (from == end || (*from == '0' && end - from > 1))
    return false;
  *number = 0;
  for (const char *p = from; p != end; ++p) {
    unsigned digit = static_cast<unsigned char>(*p) - '0';
    if (digit > 9 || digit > highest || *number > (highest - digit) / 10)
      return false;
    *number = *number * 10 + digit;
  }
  return true;
}

} // namespace

unsigned long long writer_of_temporary(const char *name, const char *prefix, const char *suffix,
                                       unsigned long long highest) {
  std::size_t prefix_length = std::strlen(prefix), suffix_length = std::strlen(suffix);
  std::size_t length = std::strlen(name);
  if (length < prefix_length + suffix_length || std::strncmp(name, prefix, prefix_length) != 0 ||
      std::strcmp(name + length - suffix_length, suffix) != 0)
    return 0;
  const char *process = name + prefix_length;
  const char *end = name + length - suffix_length;
  const char *dash = static_cast<const char *>(std::memchr(process, '-', end - process));
  unsigned long long writer, attempt;
  if (!dash || !read_decimal(process, dash, highest, &writer) ||
      !read_decimal(dash + 1, end, TemporaryAttempts - 1, &attempt))
    return 0;
  return writer;
}
