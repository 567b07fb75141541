// The operating-system seam for Windows: every narrow path is code page 932 and is turned into
// UTF-16 explicitly, so the program behaves the same whatever the system's own code page is. A
// character code page 932 cannot hold is a stand-in in the narrow path (see code_page_932.h);
// the seam keeps the UTF-16 texts the paths come from, so every file operation works on the
// path as the system named it.
#include "platform/platform.h"

#include "platform/code_page_932.h"
#include "platform/platform_win32.h"
#include "platform/temporary_name.h"

#include <cstring>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

// The source's path as the shell took it in: the paths of the source and of its directory are
// made from it.
wchar_t source_path[WidePathCapacity];
// The file's own name as own_file_name last found it: the output's name is made from it.
wchar_t source_name[MAX_PATH];

HANDLE handle_of(SourceFile file) { return reinterpret_cast<HANDLE>(file.handle); }

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool is_drive(const wchar_t *path) {
  return ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
         path[1] == L':';
}

// The file's identity, or an unknown one (file 0) where the system cannot tell it.
FileIdentity identity_of(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(handle, &information))
    return {0, 0};
  return {information.dwVolumeSerialNumber,
          std::uint64_t{information.nFileIndexHigh} << 32 | information.nFileIndexLow};
}

} // namespace

bool take_source_path(const wchar_t *path, int length, char *narrow, std::size_t capacity) {
  if (length >= WidePathCapacity || !wide_to_shift_jis(path, length, narrow, capacity))
    return false;
  std::wmemcpy(source_path, path, static_cast<std::size_t>(length));
  source_path[length] = L'\0';
  return true;
}

bool open_source(const char *path, SourceSharing sharing, SourceFile *file) {
  wchar_t wide[WidePathCapacity];
  if (!shift_jis_to_wide_from(path, source_path, wide, WidePathCapacity))
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
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  file->handle = reinterpret_cast<std::intptr_t>(handle);
  file->identity = identity_of(handle);
  return true;
}

bool file_identity(const char *name, FileIdentity *identity) {
  wchar_t wide[WidePathCapacity];
  if (!shift_jis_to_wide_from(name, source_name, wide, WidePathCapacity))
    return false;
  // Opened for no access at all, only to be told what it is; a link is opened itself.
  HANDLE handle = CreateFileW(wide, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    return false;
  *identity = identity_of(handle);
  CloseHandle(handle);
  return identity->file != 0;
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
// anyway: the Windows program reads its sources, into zeroed memory so that what the file no
// longer held is zeros.
SourceHold hold_source_bytes(SourceFile file, std::size_t size, SourceBytes &bytes) {
  auto *held = static_cast<unsigned char *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
  if (!held)
    return SourceHold::no_memory;
  long long got = read_source(file, 0, held, size);
  if (got < 0) {
    HeapFree(GetProcessHeap(), 0, held);
    return SourceHold::unreadable;
  }
  bytes.data = held;
  bytes.size = size;
  bytes.read_short = static_cast<std::size_t>(got) != size;
  return SourceHold::held;
}

bool source_bytes_whole(const SourceBytes &bytes) { return !bytes.read_short; }

SourceBytes::~SourceBytes() {
  if (data)
    HeapFree(GetProcessHeap(), 0, const_cast<unsigned char *>(data));
}

bool own_file_name(const char *path, char *name, std::size_t capacity) {
  wchar_t wide[WidePathCapacity];
  if (!shift_jis_to_wide_from(path, source_path, wide, WidePathCapacity))
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
  if (length == 0 || !wide_to_shift_jis(entry.cFileName, length, name, capacity))
    return false;
  std::wmemcpy(source_name, entry.cFileName, static_cast<std::size_t>(length) + 1);
  return true;
}

bool directory_part(const char *path, char *directory, std::size_t capacity) {
  // The split is made in UTF-16: the second byte of a code page 932 character can be 0x5C, the
  // backslash, and must not be taken for a separator.
  wchar_t wide[WidePathCapacity];
  if (!shift_jis_to_wide_from(path, source_path, wide, WidePathCapacity))
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
  return wide_to_shift_jis(wide, length, directory, capacity);
}

bool change_directory(const char *directory) {
  wchar_t wide[WidePathCapacity];
  return shift_jis_to_wide_from(directory, source_path, wide, WidePathCapacity) &&
         SetCurrentDirectoryW(wide);
}

namespace {

// The kept working directory; empty while none is kept.
wchar_t kept_directory[WidePathCapacity];

} // namespace

bool keep_working_directory() {
  DWORD length = GetCurrentDirectoryW(WidePathCapacity, kept_directory);
  if (length == 0 || length >= WidePathCapacity) {
    kept_directory[0] = L'\0';
    return false;
  }
  return true;
}

bool return_to_kept_directory() {
  return kept_directory[0] != L'\0' && SetCurrentDirectoryW(kept_directory);
}

namespace {

// The kept build directory, as a full path; empty while none is kept.
wchar_t build_directory[WidePathCapacity];

} // namespace

bool keep_build_directory(const char *path) {
  build_directory[0] = L'\0';
  wchar_t wide[WidePathCapacity];
  wchar_t full[WidePathCapacity];
  if (!shift_jis_to_wide_from(path, source_path, wide, WidePathCapacity))
    return false;
  DWORD length = GetFullPathNameW(wide, WidePathCapacity, full, nullptr);
  if (length >= WidePathCapacity)
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
  if (length == 0 || length >= WidePathCapacity)
    return false;
  DWORD attributes = GetFileAttributesW(full);
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return false;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetLastError(ERROR_DIRECTORY);
    return false;
  }
  std::wmemcpy(build_directory, full, length + 1);
  return true;
}

bool enter_build_directory() {
  return build_directory[0] != L'\0' && SetCurrentDirectoryW(build_directory);
}

void describe_system_failure(char *words, std::size_t capacity) {
  if (capacity == 0)
    return;
  DWORD error = GetLastError();
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                error, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), words,
                                static_cast<DWORD>(capacity), nullptr);
  // The system's text ends with a full stop and a line end, which would stand inside the line.
  while (length > 0 &&
         (words[length - 1] == '\r' || words[length - 1] == '\n' || words[length - 1] == '.'))
    --length;
  if (length == 0)
    std::snprintf(words, capacity, "Windows error %lu", static_cast<unsigned long>(error));
  else
    words[length] = '\0';
}

bool starts_two_byte_character(unsigned char byte) { return IsDBCSLeadByteEx(CodePage932, byte); }

namespace {

// "~morvane-PID-N.tmp", as create_temporary_output writes it: the process that writes it and a
// number that makes it new.
constexpr char TemporaryPrefix[] = "~morvane-";
constexpr char TemporarySuffix[] = ".tmp";

bool has_ended(DWORD process) {
  HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, process);
  if (!handle)
    return GetLastError() == ERROR_INVALID_PARAMETER; // no such process; else one kept from us
  // A process that has ended lives on while a handle to it is open somewhere.
  bool ended = WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
  CloseHandle(handle);
  return ended;
}

// name, when it is ASCII throughout and fits capacity bytes with its NUL.
bool ascii_name(const wchar_t *wide, char *name, std::size_t capacity) {
  std::size_t length = 0;
  for (; wide[length] != L'\0'; ++length) {
    if (wide[length] >= 0x80 || length + 1 >= capacity)
      return false;
    name[length] = static_cast<char>(wide[length]);
  }
  name[length] = '\0';
  return true;
}

// The directory swept last, so that a run writing many outputs into one directory (a build's)
// reads it once, not once per output.
wchar_t swept_directory[WidePathCapacity];

// Removes the temporary outputs in the working directory that a process ended past cleaning up
// (killed from the Task Manager) left behind: those whose process has ended. This process has
// none while it looks, so one of its own number is left from an earlier process that had it.
void remove_stale_outputs() {
  wchar_t here[WidePathCapacity];
  DWORD length = GetCurrentDirectoryW(WidePathCapacity, here);
  if (length == 0 || length >= WidePathCapacity || std::wcscmp(here, swept_directory) == 0)
    return;
  std::wcscpy(swept_directory, here);
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(L"~morvane-*.tmp", &entry);
  if (search == INVALID_HANDLE_VALUE)
    return;
  DWORD self = GetCurrentProcessId();
  do {
    // The pattern also matches short names; only the long name counts.
    char name[64];
    if (!ascii_name(entry.cFileName, name, sizeof name))
      continue;
    auto writer =
        static_cast<DWORD>(writer_of_temporary(name, TemporaryPrefix, TemporarySuffix, MAXDWORD));
    if (writer != 0 &&
        !(entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
        (writer == self || has_ended(writer)))
      DeleteFileW(entry.cFileName);
  } while (FindNextFileW(search, &entry));
  FindClose(search);
}

} // namespace

std::FILE *create_temporary_output(char *name, std::size_t capacity) {
  remove_stale_outputs();
  DWORD process = GetCurrentProcessId();
  for (unsigned attempt = 0; attempt < TemporaryAttempts; ++attempt) {
    wchar_t wide[64];
    std::swprintf(wide, 64, L"~morvane-%lu-%u.tmp", static_cast<unsigned long>(process), attempt);
    HANDLE handle =
        CreateFileW(wide, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS)
        continue;
      return nullptr;
    }
    if (!wide_to_shift_jis(wide, static_cast<int>(std::wcslen(wide)), name, capacity)) {
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

namespace {

// The UTF-16 form of an output's name: made from the source's own name for a converter's output,
// or the last part of the path the shell took in for a picture's, whose stand-ins take their
// characters back from it.
bool wide_output_name(const char *name, wchar_t *wide) {
  const wchar_t *last_part = source_path + std::wcslen(source_path);
  while (last_part > source_path && !is_separator(last_part[-1]) && last_part[-1] != L':')
    --last_part;
  return shift_jis_to_wide_from(name, source_name, wide, WidePathCapacity) ||
         shift_jis_to_wide_from(name, last_part, wide, WidePathCapacity);
}

} // namespace

bool commit_output(std::FILE *file, const char *name, const char *to) {
  // An open file cannot be moved, so it is closed first.
  bool closed = std::fclose(file) == 0;
  wchar_t wide_from[WidePathCapacity];
  wchar_t wide_to[WidePathCapacity];
  if (!shift_jis_to_wide(name, wide_from, WidePathCapacity))
    return false;
  if (closed && wide_output_name(to, wide_to) &&
      MoveFileExW(wide_from, wide_to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileW(wide_from);
  return false;
}

void discard_output(std::FILE *file, const char *name) {
  if (file)
    std::fclose(file);
  wchar_t wide[WidePathCapacity];
  if (shift_jis_to_wide(name, wide, WidePathCapacity))
    DeleteFileW(wide);
}

bool output_holds(const char *name, const char *text, std::size_t size) {
  wchar_t wide[WidePathCapacity];
  if (!shift_jis_to_wide_from(name, source_name, wide, WidePathCapacity))
    return false;
  HANDLE file = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  LARGE_INTEGER length;
  bool same = GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &length) &&
              static_cast<std::uint64_t>(length.QuadPart) == size;
  // The earlier file is read and compared a block at a time.
  char block[4096];
  for (std::size_t done = 0; same && done < size;) {
    DWORD wanted = static_cast<DWORD>(size - done < sizeof block ? size - done : sizeof block);
    DWORD got = 0;
    same = ReadFile(file, block, wanted, &got, nullptr) && got > 0 &&
           std::memcmp(block, text + done, got) == 0;
    done += got;
  }
  CloseHandle(file);
  return same;
}

bool utf8_of_name(const char *name, char *utf8, std::size_t capacity) {
  wchar_t wide[WidePathCapacity];
  if (!shift_jis_to_wide_from(name, source_name, wide, WidePathCapacity))
    return false;
  int bytes =
      WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, static_cast<int>(capacity), nullptr, nullptr);
  return bytes > 0;
}
