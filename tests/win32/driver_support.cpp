// The Windows tests' helpers; see driver_support.h.
#include "driver_support.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>

namespace {

std::vector<std::string> failures;

struct WindowSearch {
  DWORD process_id;
  const wchar_t *class_name;
  HWND found;
  int count;
};

bool is_match(HWND window, const WindowSearch &search) {
  DWORD owner_process = 0;
  GetWindowThreadProcessId(window, &owner_process);
  wchar_t class_name[64];
  return owner_process == search.process_id && GetClassNameW(window, class_name, 64) &&
         lstrcmpW(class_name, search.class_name) == 0;
}

BOOL CALLBACK match_window(HWND window, LPARAM context) {
  auto *search = reinterpret_cast<WindowSearch *>(context);
  if (!is_match(window, *search))
    return TRUE;
  search->found = window;
  return FALSE;
}

BOOL CALLBACK count_window(HWND window, LPARAM context) {
  auto *search = reinterpret_cast<WindowSearch *>(context);
  if (is_match(window, *search))
    ++search->count;
  return TRUE;
}

struct ButtonCount {
  int visible;
  bool has_ok;
};

BOOL CALLBACK count_button(HWND child, LPARAM context) {
  auto *count = reinterpret_cast<ButtonCount *>(context);
  wchar_t class_name[32];
  if (GetClassNameW(child, class_name, 32) && lstrcmpiW(class_name, L"Button") == 0 &&
      IsWindowVisible(child)) {
    ++count->visible;
    if (GetDlgCtrlID(child) == IDOK)
      count->has_ok = true;
  }
  return TRUE;
}

std::wstring window_text(HWND window) {
  wchar_t text[512] = L"";
  GetWindowTextW(window, text, 512);
  return text;
}

} // namespace

void expect(bool condition, const std::string &what) {
  if (!condition)
    failures.push_back(what);
}

std::vector<std::string> take_failures() {
  std::vector<std::string> taken;
  taken.swap(failures);
  return taken;
}

std::string printable(const std::wstring &text) {
  std::string out;
  for (wchar_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    }
  }
  return out;
}

std::string printable_bytes(const std::string &bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      out += escaped;
    }
  }
  return out;
}

std::string read_file(const std::wstring &path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return "";
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
    bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

void write_file(const std::wstring &path, const std::string &bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  bool ok = file != INVALID_HANDLE_VALUE &&
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  if (file != INVALID_HANDLE_VALUE)
    CloseHandle(file);
  expect(ok, "could not write the test file " + printable(path));
}

bool file_exists(const std::wstring &path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void make_directory(const std::wstring &path) {
  expect(CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS,
         "could not create the directory " + printable(path));
}

std::vector<std::wstring> list_directory(const std::wstring &directory) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE)
    return names;
  do {
    std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..")
      names.push_back(name);
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

Started start_program(const std::wstring &program, const std::wstring &command_line,
                      const std::wstring &cwd) {
  Started started = {};
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  std::vector<wchar_t> line(command_line.begin(), command_line.end());
  line.push_back(L'\0');
  started.ok = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              cwd.empty() ? nullptr : cwd.c_str(), &startup, &started.process);
  expect(started.ok, "could not start " + printable(program));
  if (started.ok)
    WaitForInputIdle(started.process.hProcess, 10000);
  return started;
}

HWND wait_for_window(DWORD process_id, const wchar_t *class_name, DWORD milliseconds) {
  for (DWORD waited = 0;; waited += 50) {
    WindowSearch search = {process_id, class_name, nullptr, 0};
    EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
    if (search.found || waited >= milliseconds)
      return search.found;
    Sleep(50);
  }
}

int count_windows(DWORD process_id, const wchar_t *class_name) {
  WindowSearch search = {process_id, class_name, nullptr, 0};
  EnumWindows(count_window, reinterpret_cast<LPARAM>(&search));
  return search.count;
}

MessageBoxSeen answer_message_box(DWORD process_id) {
  MessageBoxSeen seen = {};
  HWND box = wait_for_window(process_id, L"#32770", 30000);
  if (!box)
    return seen;
  // Let the box finish its start-up before it is read.
  Sleep(200);
  seen.found = true;
  seen.caption = window_text(box);
  // A message box's text is the static control with the identifier 0xFFFF.
  seen.text = window_text(GetDlgItem(box, 0xFFFF));
  seen.owner = GetWindow(box, GW_OWNER);
  ButtonCount buttons = {};
  EnumChildWindows(box, count_button, reinterpret_cast<LPARAM>(&buttons));
  seen.visible_buttons = buttons.visible;
  seen.has_ok = buttons.has_ok;
  PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  return seen;
}

long wait_for_exit(const PROCESS_INFORMATION &process) {
  DWORD code = 0;
  if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.hProcess, &code))
    return -1;
  return static_cast<long>(code);
}

void end_process(const PROCESS_INFORMATION &process) {
  DWORD code = 0;
  if (GetExitCodeProcess(process.hProcess, &code) && code == STILL_ACTIVE) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 10000);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

bool save_window_picture(HWND window, const std::wstring &path) {
  RECT rect;
  if (!GetWindowRect(window, &rect))
    return false;
  int width = rect.right - rect.left;
  int height = rect.bottom - rect.top;
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height; // bottom-up, as a BMP file stores it
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void *bits = nullptr;
  HBITMAP picture = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS,
                                     &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, picture);
  bool copied = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  DWORD row_bytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  DWORD pixel_bytes = row_bytes * static_cast<DWORD>(height);
  BITMAPFILEHEADER header = {};
  header.bfType = 0x4D42; // "BM"
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = header.bfOffBits + pixel_bytes;
  std::string file(reinterpret_cast<const char *>(&header), sizeof header);
  file.append(reinterpret_cast<const char *>(&info), sizeof info);
  file.append(static_cast<const char *>(bits), pixel_bytes);
  SelectObject(memory, previous);
  DeleteObject(picture);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!copied)
    return false;
  write_file(path, file);
  return true;
}

bool drop_files(HWND window, const PROCESS_INFORMATION &process,
                const std::vector<std::wstring> &files) {
  // The block: a DROPFILES header, then each name with its NUL, then one more NUL.
  DROPFILES header = {};
  header.pFiles = sizeof header;
  header.pt = {20, 20};
  header.fNC = FALSE;
  header.fWide = TRUE;
  std::string block(reinterpret_cast<const char *>(&header), sizeof header);
  for (const std::wstring &file : files)
    block.append(reinterpret_cast<const char *>(file.c_str()), (file.size() + 1) * sizeof(wchar_t));
  block.append(sizeof(wchar_t), '\0');
  // The block must lie in the receiving program's own memory, as the shell's drop block does.
  void *remote = VirtualAllocEx(process.hProcess, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE,
                                PAGE_READWRITE);
  SIZE_T written = 0;
  if (!remote ||
      !WriteProcessMemory(process.hProcess, remote, block.data(), block.size(), &written) ||
      written != block.size())
    return false;
  return PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
}
