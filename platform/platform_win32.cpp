// The operating-system seam for Windows: every narrow path is code page 932 and is turned into
// UTF-16 explicitly, so the program behaves the same whatever the system's own code page is.
#include "platform/platform.h"

#include <cstring>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

constexpr UINT ShiftJis = 932;

// Room for any path the program handles: a code page 932 string never has more UTF-16 units
// than it has bytes.
constexpr int WidePathCapacity = 1024;

HANDLE handle_of(SourceFile file) { return reinterpret_cast<HANDLE>(file.handle); }

// Code page 932 to UTF-16; false for bytes that are not code page 932 text or a path too long.
bool to_wide(const char *text, wchar_t (&wide)[WidePathCapacity]) {
  int length =
      MultiByteToWideChar(ShiftJis, MB_ERR_INVALID_CHARS, text, -1, wide, WidePathCapacity);
  return length > 0;
}

// UTF-16 to code page 932; false when a character has no code page 932 form (no look-alike is
// put in its place, since that would name another file) or the result does not fit.
bool to_shift_jis(const wchar_t *wide, int wide_length, char *text, std::size_t capacity) {
  if (capacity == 0)
    return false;
  if (wide_length == 0) {
    text[0] = '\0';
    return true;
  }
  BOOL used_default = FALSE;
  int length = WideCharToMultiByte(ShiftJis, WC_NO_BEST_FIT_CHARS, wide, wide_length, text,
                                   static_cast<int>(capacity - 1), nullptr, &used_default);
  if (length <= 0 || used_default)
    return false;
  text[length] = '\0';
  return true;
}

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool is_drive(const wchar_t *path) {
  return ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
         path[1] == L':';
}

} // namespace

bool open_source(const char *path, SourceSharing sharing, SourceFile *file) {
  wchar_t wide[WidePathCapacity];
  if (!to_wide(path, wide))
    return false;
  DWORD share = sharing == SourceSharing::read ? FILE_SHARE_READ : 0;
  HANDLE handle = CreateFileW(wide, GENERIC_READ, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    return false;
  // Device names such as CON or COM1 open as devices, not files; reading them could wait for
  // ever, so only disk files are sources.
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    return false;
  }
  file->handle = reinterpret_cast<std::intptr_t>(handle);
  return true;
}

long long read_source(SourceFile file, std::uint64_t offset, void *buffer, std::size_t size) {
  auto *bytes = static_cast<unsigned char *>(buffer);
  std::size_t done = 0;
  while (done < size) {
    std::uint64_t at = offset + done;
    OVERLAPPED position = {};
    position.Offset = static_cast<DWORD>(at);
    position.OffsetHigh = static_cast<DWORD>(at >> 32);
    std::size_t left = size - done;
    DWORD wanted = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
    DWORD got = 0;
    if (!ReadFile(handle_of(file), bytes + done, wanted, &got, &position)) {
      // A read that starts at or past the end is the end of the file, not a failure.
      if (GetLastError() == ERROR_HANDLE_EOF)
        break;
      return -1;
    }
    if (got == 0)
      break;
    done += got;
  }
  return static_cast<long long>(done);
}

long long source_size(SourceFile file) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(handle_of(file), &size))
    return -1;
  return static_cast<long long>(size.QuadPart);
}

void close_source(SourceFile file) { CloseHandle(handle_of(file)); }

// A mapping would keep the source open past its closing, and nobody may change it meanwhile
// anyway: the Windows program reads its sources.
unsigned char *map_source(SourceFile, std::size_t) { return nullptr; }

bool source_map_intact() { return true; }

void unmap_source(unsigned char *, std::size_t) {}

bool own_file_name(const char *path, char *name, std::size_t capacity) {
  wchar_t wide[WidePathCapacity];
  if (!to_wide(path, wide))
    return false;
  // A wildcard would make the lookup return some other file's name.
  if (std::wcspbrk(wide, L"*?"))
    return false;
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(wide, &entry);
  if (search == INVALID_HANDLE_VALUE)
    return false;
  FindClose(search);
  int length = static_cast<int>(std::wcslen(entry.cFileName));
  return length > 0 && to_shift_jis(entry.cFileName, length, name, capacity);
}

bool directory_part(const char *path, char *directory, std::size_t capacity) {
  // The split is made in UTF-16: the second byte of a code page 932 character can be 0x5C, the
  // backslash, and must not be taken for a separator.
  wchar_t wide[WidePathCapacity];
  if (!to_wide(path, wide))
    return false;
  int end = 0;
  int last_separator = -1;
  for (; wide[end]; ++end) {
    if (is_separator(wide[end]))
      last_separator = end;
  }
  int length = last_separator;
  if (last_separator < 0)
    length = is_drive(wide) ? 2 : 0; // "C:title.col" lies in drive C's current directory
  else if (last_separator == 0 || (last_separator == 2 && is_drive(wide)))
    length = last_separator + 1; // a root keeps its separator: "\" or "C:\"
  return to_shift_jis(wide, length, directory, capacity);
}

bool change_directory(const char *directory) {
  wchar_t wide[WidePathCapacity];
  return to_wide(directory, wide) && SetCurrentDirectoryW(wide);
}

bool starts_two_byte_character(unsigned char byte) { return IsDBCSLeadByteEx(ShiftJis, byte); }

std::FILE *create_temporary_output(char *name, std::size_t capacity) {
  DWORD process = GetCurrentProcessId();
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    wchar_t wide[64];
    std::swprintf(wide, 64, L"~morvane-%lu-%u.tmp", static_cast<unsigned long>(process), attempt);
    HANDLE handle =
        CreateFileW(wide, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS)
        continue;
      return nullptr;
    }
    if (!to_shift_jis(wide, static_cast<int>(std::wcslen(wide)), name, capacity)) {
      CloseHandle(handle);
      DeleteFileW(wide);
      return nullptr;
    }
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (descriptor < 0) {
      CloseHandle(handle);
      DeleteFileW(wide);
      return nullptr;
    }
    std::FILE *file = _fdopen(descriptor, "wb");
    if (!file) {
      _close(descriptor);
      DeleteFileW(wide);
    }
    return file;
  }
  return nullptr;
}

bool put_output_in_place(std::FILE *file, const char *name, bool written, const char *to) {
  // An open file cannot be moved, so it is closed first.
  if (file)
    written = std::fclose(file) == 0 && written;
  wchar_t wide_from[WidePathCapacity];
  wchar_t wide_to[WidePathCapacity];
  if (!to_wide(name, wide_from))
    return false;
  if (written && to_wide(to, wide_to) &&
      MoveFileExW(wide_from, wide_to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileW(wide_from);
  return false;
}
