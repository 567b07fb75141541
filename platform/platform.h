// The only seam to the operating system: reading the source, the names and directories around
// it, and putting a finished output in place. Paths are the program's narrow text (code page 932
// on Windows, with a stand-in for each character it cannot hold).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// What tells a file apart from every other, whatever names it goes by: the device and inode on
// POSIX, the volume's serial number and the file's index on Windows. A file of 0 is unknown.
struct FileIdentity {
  std::uint64_t volume;
  std::uint64_t file;
};

struct SourceFile {
  std::intptr_t handle;
  FileIdentity identity; // taken by open_source while the file is open
};

enum class SourceSharing {
  none, // nobody else may have the file open meanwhile (where the system can enforce it)
  read, // others may read it, nobody may write it
};

// Opens an existing file for reading and takes its identity; false when it cannot be opened.
bool open_source(const char *path, SourceSharing sharing, SourceFile *file);

// Reads up to size bytes from offset. Returns the count read, less than size only at the end of
// the file, or -1 when the read fails.
long long read_source(SourceFile file, std::uint64_t offset, void *buffer, std::size_t size);

// The file's length in bytes, or -1 when it cannot be told.
long long source_size(SourceFile file);

void close_source(SourceFile file);

// A source's first bytes in memory, from hold_source_bytes until the holder goes: mapped where the
// system allows, so that a large file is not copied, read where not. Another program may cut the
// file short meanwhile: the bytes it lost then read as zeros, and source_bytes_whole says so.
struct SourceBytes {
  const unsigned char *data = nullptr;
  std::size_t size = 0;
  // The mapped file's own handle, which tells its size later; -1 for bytes read.
  std::intptr_t mapped_file = -1;
  bool read_short = false; // the read found fewer bytes than were asked for

  SourceBytes() = default;
  SourceBytes(const SourceBytes &) = delete;
  SourceBytes &operator=(const SourceBytes &) = delete;
  ~SourceBytes();
};

enum class SourceHold {
  held,
  no_memory,
  unreadable, // the read failed; describe_system_failure says why
};

// Holds the first size bytes (at least one) of file in bytes, which must hold none yet; the file
// may be closed then. Bytes past the file's end are held as zeros, and the bytes are not whole.
SourceHold hold_source_bytes(SourceFile file, std::size_t size, SourceBytes &bytes);

// False when the file did not hold every byte when they were read, or, for mapped bytes, once it
// no longer does (it was cut short, even within its last page).
bool source_bytes_whole(const SourceBytes &bytes);

// The file's own name as its directory lists it (on Windows the long name in its stored letter
// case, also when path uses the short form). False when it cannot be found or does not fit.
bool own_file_name(const char *path, char *name, std::size_t capacity);

// The directory part of path, without a trailing separator except for a root ("/", "C:\").
// Empty when path has no directory part. False when it does not fit.
bool directory_part(const char *path, char *directory, std::size_t capacity);

bool change_directory(const char *directory);

// Keeps the working directory as it is now, so that return_to_kept_directory can make it the
// working directory again after conversions have moved elsewhere. False when it cannot be kept.
bool keep_working_directory();

// False when it cannot be returned to, or none is kept.
bool return_to_kept_directory();

// Keeps the directory at path (taken from the working directory, as a source's path is) as the
// one enter_build_directory makes the working directory. False when it is no directory or
// cannot be kept.
bool keep_build_directory(const char *path);

// False when the kept build directory cannot be entered, or none is kept.
bool enter_build_directory();

// The system's own words, in English, for why the last call of this seam that failed did
// ("No such file or directory"); always a NUL-terminated text, cut to capacity.
void describe_system_failure(char *words, std::size_t capacity);

// True when byte begins a two-byte character of the program's narrow text, whose second byte
// may be an ASCII byte such as the backslash (code page 932 on Windows). Never elsewhere: there
// every byte of a multi-byte character is 0x80 or above.
bool starts_two_byte_character(unsigned char byte);

// The identity of the file that name (the output's, in the working directory) is itself: a
// link's own, not that of the file it leads to. False when there is none or it cannot be told.
bool file_identity(const char *name, FileIdentity *identity);

// Creates the output in the working directory under a new hidden name of its own, in name, and
// opens it for binary writing. Where the system lets a program catch the signals that end it
// (SIGINT, SIGTERM, SIGHUP and SIGQUIT on POSIX), they remove it first; what a process ended past
// catching left in the directory is removed here, once that process is gone. A size limit on
// files makes its writes fail rather than end the program. nullptr when it cannot be created.
std::FILE *create_temporary_output(char *name, std::size_t capacity);

// Closes file (the output from create_temporary_output, named name) and puts it in place as to,
// replacing an existing to in one step. True when it is there; otherwise nothing of it is left and
// an existing to is untouched.
bool commit_output(std::FILE *file, const char *name, const char *to);

// Closes file (when not nullptr) and removes name, the output from create_temporary_output.
void discard_output(std::FILE *file, const char *name);

// True when the file name in the working directory, an earlier output named as
// commit_output names its to, holds exactly the size bytes at text.
bool output_holds(const char *name, const char *text, std::size_t size);

// name, an output's or an array's name in the program's narrow text, as UTF-8 in utf8 (capacity
// bytes with the NUL): as it is where the narrow text is the file system's own bytes; on Windows
// from code page 932, each stand-in taking back its character from the source's own name. False
// when it does not fit.
bool utf8_of_name(const char *name, char *utf8, std::size_t capacity);
