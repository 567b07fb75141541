// What the Windows shells alone ask of the Windows seam: taking in a path as the system names it.
#pragma once

#include <cstddef>

// Room for the UTF-16 form of any path the program takes in: its code page 932 form has fewer
// than 512 bytes, each of which comes from at most two UTF-16 units (a stand-in for a surrogate
// pair).
constexpr int WidePathCapacity = 1024;

// The Windows shell takes the source's path in as the system names it, in UTF-16. This keeps it
// for the file operations on the source and writes its code page 932 form, for SourcePath, into
// narrow (capacity bytes with the NUL). False when that form does not fit.
bool take_source_path(const wchar_t *path, int length, char *narrow, std::size_t capacity);
