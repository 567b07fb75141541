// The data objects an ELF relocatable object file defines, read from the file itself: what a
// compiler or an assembler made of a program's arrays, told apart whatever the toolchain.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "support.h"

struct ObjectArray {
  Bytes bytes;
  bool global;
  // The largest power of two, up to 4, that the array's place is a multiple of wherever the
  // linker puts its section.
  unsigned alignment;
  bool operator==(const ObjectArray &) const = default;
};

// Every symbol of type object defined in a section of the file at path, by name; empty, with a
// failure added, when the file is no ELF object.
inline std::map<std::string, ObjectArray> object_arrays(const std::string &path) {
  Bytes file = read_file(path);
  std::map<std::string, ObjectArray> arrays;
  if (file.size() < 64 || file[0] != 0x7F || file[1] != 'E' || file[2] != 'L' || file[3] != 'F') {
    ADD_FAILURE() << path << " is no ELF object";
    return arrays;
  }
  bool wide = file[4] == 2;       // ELFCLASS64
  bool big_endian = file[5] == 2; // ELFDATA2MSB
  auto number = [&](std::uint64_t at, int size) {
    std::uint64_t value = 0;
    for (int i = 0; i < size; ++i) {
      int byte = big_endian ? i : size - 1 - i;
      value = value << 8 | file.at(static_cast<std::size_t>(at) + byte);
    }
    return value;
  };
  int word = wide ? 8 : 4;
  std::uint64_t section_table = number(wide ? 0x28 : 0x20, word);
  std::uint64_t entry_size = number(wide ? 0x3A : 0x2E, 2);
  std::uint64_t section_count = number(wide ? 0x3C : 0x30, 2);
  struct Section {
    std::uint64_t type, offset, size, link, alignment, entry_size;
  };
  auto section = [&](std::uint64_t index) {
    std::uint64_t at = section_table + index * entry_size;
    return Section{number(at + 4, 4),
                   number(at + (wide ? 24 : 16), word),
                   number(at + (wide ? 32 : 20), word),
                   number(at + (wide ? 40 : 24), 4),
                   number(at + (wide ? 48 : 32), word),
                   number(at + (wide ? 56 : 36), word)};
  };
  for (std::uint64_t index = 0; index < section_count; ++index) {
    Section symbols = section(index);
    if (symbols.type != 2) // SHT_SYMTAB
      continue;
    Section names = section(symbols.link);
    for (std::uint64_t at = symbols.offset; at < symbols.offset + symbols.size;
         at += symbols.entry_size) {
      std::uint64_t name = number(at, 4);
      std::uint64_t value = number(at + (wide ? 8 : 4), word);
      std::uint64_t size = number(at + (wide ? 16 : 8), word);
      unsigned info = file.at(at + (wide ? 4 : 12));
      std::uint64_t home = number(at + (wide ? 6 : 14), 2);
      if ((info & 0xF) != 1 || home == 0 || home >= section_count) // STT_OBJECT, defined
        continue;
      Section place = section(home);
      ObjectArray array;
      if (place.type == 8) { // SHT_NOBITS: zeros that take no room in the file
        array.bytes.assign(static_cast<std::size_t>(size), 0);
      } else {
        auto first = file.begin() + static_cast<std::ptrdiff_t>(place.offset + value);
        array.bytes.assign(first, first + static_cast<std::ptrdiff_t>(size));
      }
      array.global = (info >> 4) == 1; // STB_GLOBAL
      array.alignment = 1;
      while (array.alignment < 4 && array.alignment < place.alignment &&
             value % (2 * array.alignment) == 0)
        array.alignment *= 2;
      auto text = reinterpret_cast<const char *>(file.data() + names.offset + name);
      arrays[text] = array;
    }
  }
  return arrays;
}
