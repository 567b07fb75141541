// Reading back the C text Morvane writes in one pass over its bytes: white space and comments are
// skipped where they stand; everything else must be a line the converters write.
#include "app/picture.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Each byte's value as a hexadecimal digit, -1 for any other byte: one look-up a digit, for the
// long arrays' sake.
constexpr auto Digit = [] {
  std::array<signed char, 256> value{};
  for (int c = 0; c < 256; ++c)
    value[c] = static_cast<signed char>(unsigned(c - '0') < 10         ? c - '0'
                                        : unsigned((c | 32) - 'a') < 6 ? (c | 32) - 87
                                                                       : -1);
  return value;
}();

// The arrays a file may hold, by the suffix the converters give each.
enum ArrayKind { Pal, Map, Sp };

struct Reader {
  const char *start, *p, *end;
  // Literals alone, so that each comparison is of a known size and compiled in place.
  template <std::size_t N> bool at(const char (&text)[N]) const {
    return std::size_t(end - p) >= N - 1 && !std::memcmp(p, text, N - 1);
  }
  template <std::size_t N> bool take(const char (&text)[N]) {
    return at(text) ? p += N - 1, true : false;
  }
  long line(const char *q) const { return 1 + std::count(start, q, '\n'); }
};

// Skips white space, and comments too where comments is true; false at a comment never closed.
bool skip(Reader &r, bool comments = true) {
  for (;; ++r.p) {
    while (r.p < r.end && (*r.p == ' ' || *r.p == '\t' || *r.p == '\r' || *r.p == '\n'))
      ++r.p;
    if (!comments || r.p == r.end || *r.p != '/' || !(r.at("//") || r.at("/*")))
      return true;
    bool line = r.p[1] == '/';
    const char *close = line ? "\n" : "*/";
    r.p = std::search(r.p + 2, r.end, close, close + 2 - line);
    if (r.p == r.end)
      return line;
    r.p += !line; // onto the comment's last byte
  }
}

// A decimal number, negative after a '-'; none past an int's range, where it is left as it was.
bool read_number(Reader &r, int &number) {
  auto [end, error] = std::from_chars(r.p, r.end, number);
  r.p = end;
  return error == std::errc();
}

// An entry: "RGB(r,g,b)" of parts 0 to 31, each maybe after a space, as the GBA colour the macro
// makes; or "0xHHHH".
bool read_entry(Reader &r, bool colour, std::uint16_t &value) {
  const char *p = r.p;
  int part = 0;
  value = 0;
  for (int i = 0; colour && i < 3; ++i) {
    if (!(i > 0 || r.take("RGB(")) || (r.take(" "), !read_number(r, part)) || part < 0 ||
        part > 31 || !r.take(i < 2 ? "," : ")"))
      return false;
    value = static_cast<std::uint16_t>(value | part << 5 * i);
  }
  auto digit = [p](int i) -> int { return Digit[static_cast<unsigned char>(p[i])]; };
  // What follows the four digits is the next step's to judge.
  if (colour || r.end - p < 6 || p[0] != '0' || p[1] != 'x')
    return colour;
  int digits = digit(2) << 12 | digit(3) << 8 | digit(4) << 4 | digit(5);
  r.p += digits < 0 ? 0 : 6;
  value = static_cast<std::uint16_t>(digits);
  return digits >= 0;
}

// After "const u16 ": "NAME_SUFFIX[COUNT]=" or "...] =", '{', the entries and "};".
ConversionOutcome read_array(Reader &r, std::string (&names)[3], PictureFile &file) {
  const char *start = r.p;
  while (r.p < r.end && !std::strchr("[ \t\r\n", *r.p))
    ++r.p;
  std::string name(start, r.p);
  int count = -1, kind = 0;
  while (kind < 3 && !name.ends_with(std::array{"_pal", "_map", "_sp"}[kind]))
    ++kind;
  if (!(r.take("[") && read_number(r, count) && r.take("]") && (r.take(" "), r.take("=")) &&
        skip(r, false) && r.take("{")) ||
      kind == 3 || count < 0 || count > 1 << 27 || (kind == Map && count != 1024) ||
      (kind == Pal && count != 16 && count != 256) || !names[kind].empty())
    return failed(ResultReadFailed, "line %ld: no array Morvane writes is declared so",
                  r.line(start));
  names[kind] = name;
  name += "[" + std::to_string(count) + "]";
  const char *n = name.c_str();
  std::vector<std::uint16_t> &into = kind == Pal ? file.palette : file.values;
  // Room for what the file can hold, not for what a damaged count claims: every entry takes six
  // bytes or more, so the parse fails before it could run past.
  into.resize(std::min(std::size_t(count), std::size_t(r.end - r.p) / 6 + 1));
  for (std::size_t k = 0; k < std::size_t(count); ++k) {
    bool separated = skip(r) && (k == 0 || r.take(",")) && skip(r);
    const char *entry = r.p;
    std::uint16_t value;
    if (!separated || !read_entry(r, kind == Pal, value))
      // A file cut short ends within its last line.
      return failed(ResultReadFailed, "line %ld: %s %s after %zu entries", r.line(entry), n,
                    !std::memchr(entry, '\n', std::size_t(r.end - entry)) ? "is cut short"
                    : *entry == '}'                                       ? "ends"
                                    : "holds what is no entry",
                    k);
    into[k] = value;
  }
  if (!(skip(r) && r.take("}") && skip(r, false) && r.take(";")))
    return failed(ResultReadFailed, "line %ld: %s is not closed by \"};\" after its entries",
                  r.line(r.p), n);
  return succeeded();
}

} // namespace

ConversionOutcome read_picture_file(const char *text, std::size_t size, PictureFile &file) {
  Reader r{text, text, text + size};
  std::string names[3];
  int width = 0, height = 0; // from the last "/* W x H pixels */"
  while (skip(r, false) && r.p < r.end) {
    const char *line = r.p;
    if (r.take("/* ") && read_number(r, width) && r.take(" x ") && read_number(r, height) &&
        r.take(" pixels */"))
      continue;
    r.p = line;
    ConversionOutcome read = succeeded();
    if (r.take("const u16 "))
      read = read_array(r, names, file);
    else if (!r.take("#define RGB(r,g,b) (r|(g<<5)|(b<<10))") &&
             !((r.at("//") || r.at("/*")) && skip(r)))
      read = failed(ResultReadFailed, "line %ld is no line Morvane writes", r.line(line));
    if (read.result != ResultSuccess)
      return read;
  }
  // The kind the arrays make: a palette, a map or a sheet alone, or a bitmap's palette and pixels
  // under one name, of the size its comment gives.
  int arrays = (!names[Pal].empty()) | (!names[Map].empty()) << 1 | (!names[Sp].empty()) << 2;
  long long wide = width, high = std::llabs(height);
  int bits = file.palette.size() == 16 ? 4 : 8;
  if (arrays == 0)
    return failed(ResultReadFailed, "holds no array Morvane writes");
  if (!((arrays == 1 && file.palette.size() == 256) || arrays == 2 ||
        (arrays == 4 && file.values.size() == 16384) ||
        (arrays == 5 && names[Sp] == names[Pal].substr(0, names[Pal].size() - 4) + "_sp")))
    return failed(ResultReadFailed, "its arrays (%s %s %s) make no file Morvane writes",
                  names[Pal].c_str(), names[Map].c_str(), names[Sp].c_str());
  file.kind = PictureFileKind(arrays == 5 ? 3 : arrays / 2);
  if (arrays == 5 && (wide <= 0 || high == 0 || wide % 8 || high % 8 || wide * high > 1 << 28 ||
                      file.values.size() * 16 != std::uint64_t(wide * high * bits)))
    return failed(ResultReadFailed, "%s holds no %lld x %lld pixels of %d bits", names[Sp].c_str(),
                  wide, high, bits);
  file.width = width;
  file.height = int(high);
  return succeeded();
}
