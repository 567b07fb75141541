// Holding a source's bytes: mapped where the system allows, read where not.
#include "platform/platform.h"

#include <cstring>
#include <new>

#include "platform/source_mapping.h"

SourceHold hold_source_bytes(SourceFile file, std::size_t size, SourceBytes &bytes) {
  if (map_source_bytes(file, size, bytes))
    return SourceHold::held;
  auto *read = new (std::nothrow) unsigned char[size];
  if (!read)
    return SourceHold::no_memory;
  long long got = read_source(file, 0, read, size);
  if (got < 0) {
    delete[] read;
    return SourceHold::unreadable;
  }
  // What the file no longer held is zeros, as in a mapping it shrank under.
  std::size_t held = static_cast<std::size_t>(got);
  std::memset(read + held, 0, size - held);
  bytes.data = read;
  bytes.size = size;
  bytes.cut_short = held != size;
  return SourceHold::held;
}

bool source_bytes_whole(const SourceBytes &bytes) {
  return bytes.cut_short == 0 && (bytes.mapped_file < 0 || mapped_file_holds(bytes));
}

SourceBytes::~SourceBytes() {
  if (mapped_file >= 0)
    unmap_source_bytes(*this);
  else
    delete[] data;
}
