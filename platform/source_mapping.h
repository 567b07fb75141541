// What holding a source's bytes asks of each system: mapping them, where it maps sources.
#pragma once

#include "platform/platform.h"

// Maps the file's first size bytes, read-only and private to this process, into bytes. False
// where the system does not map sources or the mapping fails: they are read then.
bool map_source_bytes(SourceFile file, std::size_t size, SourceBytes &bytes);

// True while the mapped file still holds every mapped byte.
bool mapped_file_holds(const SourceBytes &bytes);

void unmap_source_bytes(SourceBytes &bytes);
