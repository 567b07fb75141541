// Reading back the C text Morvane writes in one pass over its bytes: white space and comments are
// skipped where they stand; everything else must be a line the converters write.
#include "app/picture_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using Byte = unsigned char;

// Each byte's value as a hexadecimal digit, -1 for any other byte: one look-up a digit.
struct HexDigits {
  signed char value[256];
  constexpr HexDigits() : value() {
    for (int c = 0; c < 256; ++c)
      value[c] = static_cast<signed char>(c >= '0' && c <= '9'   ? c - '0'
                                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                 : -1);
  }
};
constexpr HexDigits hex;

// The arrays a file may hold, by the suffix the converters give each.
enum ArrayKind { Pal, Map, Sp, ArrayKinds };
constexpr std::string_view Suffixes[ArrayKinds] = {"_pal", "_map", "_sp"};

struct Reader {
  const Byte *start, *p, *end;
};

bool white(Byte c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool at(const Reader &r, std::string_view text) {
  return static_cast<std::size_t>(r.end - r.p) >= text.size() &&
         std::memcmp(r.p, text.data(), text.size()) == 0;
}

bool take(Reader &r, std::string_view text) {
  bool there = at(r, text);
  r.p += there ? text.size() : 0;
  return there;
}

long line_of(const Byte *start, const Byte *p) { return 1 + std::count(start, p, '\n'); }

void skip_white(Reader &r) {
  while (r.p < r.end && white(*r.p))
    ++r.p;
}

// Skips the comment at r.p; false when there is none there, or it is never closed (r.p is then at
// the end).
bool skip_comment(Reader &r) {
  if (at(r, "//")) {
    const void *line_end = std::memchr(r.p, '\n', static_cast<std::size_t>(r.end - r.p));
    r.p = line_end ? static_cast<const Byte *>(line_end) : r.end;
    return true;
  }
  if (!at(r, "/*"))
    return false;
  const char *close = "*/";
  const Byte *found = std::search(r.p + 2, r.end, close, close + 2);
  r.p = found == r.end ? r.end : found + 2;
  return found != r.end;
}

void skip_blanks(Reader &r) {
  while (r.p < r.end && (white(*r.p) ? ++r.p, true : skip_comment(r))) {
  }
}

// A decimal number of up to ten digits, negative after a '-'.
bool read_number(Reader &r, long long &number) {
  bool negative = take(r, "-");
  const Byte *first = r.p;
  for (number = 0; r.p < r.end && std::isdigit(*r.p) && r.p - first < 10; ++r.p)
    number = 10 * number + (*r.p - '0');
  number = negative ? -number : number;
  return r.p != first;
}

// "0xHHHH", which no further letter or digit follows.
bool read_hex(Reader &r, std::uint16_t &value) {
  const Byte *p = r.p;
  if (r.end - p < 6 || p[0] != '0' || p[1] != 'x')
    return false;
  int a = hex.value[p[2]], b = hex.value[p[3]], c = hex.value[p[4]], d = hex.value[p[5]];
  if ((a | b | c | d) < 0 || (r.end - p > 6 && (std::isalnum(p[6]) || p[6] == '_')))
    return false;
  value = static_cast<std::uint16_t>(a << 12 | b << 8 | c << 4 | d);
  r.p += 6;
  return true;
}

// "RGB(r,g,b)" of 5-bit parts, each maybe after spaces, as the GBA colour the macro makes.
bool read_colour(Reader &r, std::uint16_t &value) {
  if (!take(r, "RGB("))
    return false;
  value = 0;
  for (int i = 0; i < 3; ++i) {
    long long part;
    while (take(r, " ")) {
    }
    if (at(r, "-") || !read_number(r, part) || part > 31 || !take(r, i < 2 ? "," : ")"))
      return false;
    value = static_cast<std::uint16_t>(value | part << 5 * i);
  }
  return true;
}

// Reads the count entries of the array name, from after its '{' to its "};".
ConversionOutcome read_entries(Reader &r, const std::string &name, ArrayKind kind,
                               std::size_t count, std::vector<std::uint16_t> &into) {
  // Room for what the file can hold, not what a damaged count claims.
  into.reserve(std::min(count, static_cast<std::size_t>(r.end - r.p) / 6 + 1));
  for (std::size_t k = 0; k < count; ++k) {
    skip_blanks(r);
    bool separated = k == 0 || take(r, ",");
    skip_blanks(r);
    const Byte *entry = r.p;
    std::uint16_t value;
    if (separated && (kind == Pal ? read_colour(r, value) : read_hex(r, value))) {
      into.push_back(value);
      continue;
    }
    // A file cut short ends within its last line.
    if (!std::memchr(entry, '\n', static_cast<std::size_t>(r.end - entry)))
      return failed(ResultReadFailed, "cut short in %s after %zu of its %zu entries", name.c_str(),
                    k, count);
    if (*entry == '}')
      return failed(ResultReadFailed, "%s ends after %zu of its %zu entries", name.c_str(), k,
                    count);
    return failed(ResultReadFailed, "line %ld: entry %zu of %s is not %s", line_of(r.start, entry),
                  k, name.c_str(),
                  !separated       ? "after a comma"
                  : kind == Pal    ? "a colour RGB(r,g,b) of parts 0 to 31"
                                   : "a 16-bit number 0xHHHH");
  }
  skip_blanks(r);
  if (at(r, ","))
    return failed(ResultReadFailed, "%s holds more than its %zu entries", name.c_str(), count);
  bool closed = take(r, "}");
  skip_white(r);
  if (!closed || !take(r, ";"))
    return failed(ResultReadFailed, "line %ld: %s is not closed by \"};\"", line_of(r.start, r.p),
                  name.c_str());
  return succeeded();
}

// What the arrays of one file are named, and what a bitmap's comment says of its size.
struct FoundArrays {
  std::string names[ArrayKinds];
  bool sized = false; // the "W x H pixels" comment stood just before NAME_sp
  long long width = 0, height = 0;
};

// "const u16 NAME_SUFFIX[COUNT]=" or "... ] =", then '{' and the entries.
ConversionOutcome read_array(Reader &r, FoundArrays &found, PictureFile &file, bool sized) {
  const Byte *name_start = r.p, *line = r.p - 10;
  while (r.p < r.end && *r.p != '[' && !white(*r.p))
    ++r.p;
  std::string name(name_start, r.p);
  long long count = -1;
  bool declared = take(r, "[") && read_number(r, count) && take(r, "]") && (take(r, " "), true) &&
                  take(r, "=") && (skip_white(r), take(r, "{"));
  int kind = 0;
  while (kind < ArrayKinds && !name.ends_with(Suffixes[kind]))
    ++kind;
  if (!declared || count < 0 || kind == ArrayKinds ||
      (kind == Pal && count != 16 && count != 256) || (kind == Map && count != 1024) ||
      static_cast<std::uint64_t>(count) > MostPicturePixels / 2)
    return failed(ResultReadFailed, "line %ld: no array Morvane writes is declared so",
                  line_of(r.start, line));
  if (!found.names[kind].empty())
    return failed(ResultReadFailed, "holds a second %s array: %s after %s", Suffixes[kind].data(),
                  name.c_str(), found.names[kind].c_str());
  found.names[kind] = name;
  found.sized = kind == Sp ? sized : found.sized;
  name += "[" + std::to_string(count) + "]";
  return read_entries(r, name, static_cast<ArrayKind>(kind), static_cast<std::size_t>(count),
                      kind == Pal ? file.palette : file.values);
}

// "/* W x H pixels */", the size of a bitmap's picture.
bool read_size_comment(Reader &r, FoundArrays &found) {
  Reader t = r;
  if (!(take(t, "/* ") && read_number(t, found.width) && take(t, " x ") &&
        read_number(t, found.height) && take(t, " pixels */")))
    return false;
  r = t;
  return true;
}

// The kind the arrays found make: a palette, a map or a sheet alone, or a bitmap's palette and
// pixels under one name, its size told by its comment.
ConversionOutcome classify(const FoundArrays &found, PictureFile &file) {
  const std::string *names = found.names;
  bool pal = !names[Pal].empty(), map = !names[Map].empty(), sp = !names[Sp].empty();
  if (pal && !map && !sp && file.palette.size() == 256)
    file.kind = PictureFileKind::palette;
  else if (map && !pal && !sp)
    file.kind = PictureFileKind::screen_map;
  else if (sp && !pal && !map && file.values.size() == 16384)
    file.kind = PictureFileKind::sheet;
  else if (pal && sp && !map &&
           names[Sp].substr(0, names[Sp].size() - 3) == names[Pal].substr(0, names[Pal].size() - 4))
    file.kind = PictureFileKind::bitmap;
  else if (!pal && !map && !sp)
    return failed(ResultReadFailed, "holds no array Morvane writes");
  else
    return failed(ResultReadFailed, "its arrays (%s %s %s) make no file Morvane writes",
                  names[Pal].c_str(), names[Map].c_str(), names[Sp].c_str());
  if (file.kind != PictureFileKind::bitmap)
    return succeeded();
  if (!found.sized)
    return failed(ResultReadFailed, "no \"W x H pixels\" comment comes before %s",
                  names[Sp].c_str());
  long long width = found.width, height = std::abs(found.height);
  std::uint64_t bits = file.palette.size() == 16 ? 4 : 8;
  auto most = static_cast<long long>(MostPicturePixels);
  if (width <= 0 || height == 0 || width % 8 != 0 || height % 8 != 0 || width > most ||
      height > most || width * height > most)
    return failed(ResultReadFailed, "a bitmap of %lld x %lld pixels is not drawn", found.width,
                  found.height);
  if (file.values.size() * 16 != static_cast<std::uint64_t>(width * height) * bits)
    return failed(ResultReadFailed, "%s does not hold %lld x %lld pixels of %d bits",
                  names[Sp].c_str(), width, height, static_cast<int>(bits));
  file.width = static_cast<int>(width);
  file.height = static_cast<int>(height);
  return succeeded();
}

} // namespace

ConversionOutcome read_picture_file(const unsigned char *text, std::size_t size,
                                    PictureFile &file) {
  Reader r{text, text, text + size};
  FoundArrays found;
  for (bool sized = false; skip_white(r), r.p < r.end;) {
    const Byte *line = r.p;
    if (read_size_comment(r, found)) {
      sized = true;
      continue;
    }
    if (at(r, "//") || at(r, "/*")) {
      if (!skip_comment(r))
        return failed(ResultReadFailed, "line %ld: a comment is never closed",
                      line_of(r.start, line));
    } else if (take(r, "const u16 ")) {
      ConversionOutcome read = read_array(r, found, file, sized);
      if (read.result != ResultSuccess)
        return read;
    } else if (!take(r, "#define RGB(r,g,b) (r|(g<<5)|(b<<10))")) {
      return failed(ResultReadFailed, "line %ld is no line Morvane writes", line_of(r.start, line));
    }
    sized = false;
  }
  return classify(found, file);
}
