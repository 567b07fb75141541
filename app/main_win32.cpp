// The Windows program: its window takes one file by drop or command line, converts it and tells
// the outcome in a message box.
#include <windows.h>

#include <shellapi.h>

#include <cwchar>

#include "app/dispatch.h"
#include "app/messages.h"
#include "platform/code_page_932.h"
#include "platform/platform.h"
#include "platform/platform_win32.h"

namespace {

// Room for the code page 932 form of any path of fewer than PathCapacity UTF-16 units, each
// one or two bytes; a path that needs more cannot fit SourcePath either.
constexpr std::size_t NarrowPathCapacity = 2 * PathCapacity;

// Set when the program was started with a non-empty command line; never cleared.
int command_line_start = 0;
// That command line's path as code page 932 text, taken before the window exists.
char command_line_path[NarrowPathCapacity];
// Set with it when that path does not fit command_line_path; the conversion is then refused as
// unreadable.
bool command_line_refused = false;
// The owner of the message boxes; null while the window is being created.
HWND main_window = nullptr;
// Set when the run's one conversion begins. The outcome box's own message loop still delivers
// drops to the window; from then on they are released unread.
bool conversion_started = false;

// The process's command line after the program's own name (quoted or not) and the blanks that
// follow it. The rest is kept verbatim: no quote is removed and nothing is split off.
const wchar_t *text_after_program_name(const wchar_t *line) {
  if (*line == L'"') {
    ++line;
    while (*line && *line != L'"')
      ++line;
    if (*line == L'"')
      ++line;
  } else {
    while (*line && *line != L' ' && *line != L'\t')
      ++line;
  }
  while (*line == L' ' || *line == L'\t')
    ++line;
  return line;
}

bool is_blank(wchar_t c) { return c == L' ' || c == L'\t'; }

// The form the shell gives several files on the icon or in "Send to": two or more paths apart by
// blanks, those with a blank in quotes. No file name holds '"', so a line of that form with a
// quote in it names no single file. True, with the first path, for such a line.
bool first_of_several_paths(const wchar_t *line, const wchar_t **first, int *first_length) {
  int paths = 0;
  bool quoted = false;
  const wchar_t *first_start = nullptr;
  const wchar_t *first_end = nullptr;
  while (*line) {
    const wchar_t *start = line;
    const wchar_t *end;
    if (*line == L'"') {
      start = ++line;
      while (*line && *line != L'"')
        ++line;
      if (!*line)
        return false;
      end = line++;
      quoted = true;
    } else {
      while (*line && !is_blank(*line) && *line != L'"')
        ++line;
      end = line;
    }
    if (end == start || (*line && !is_blank(*line)))
      return false;
    if (paths++ == 0) {
      first_start = start;
      first_end = end;
    }
    while (is_blank(*line))
      ++line;
  }
  if (paths < 2 || !quoted)
    return false;
  *first = first_start;
  *first_length = static_cast<int>(first_end - first_start);
  return true;
}

// The shell quotes a path with a blank when it starts the program for a file (a drop on its
// icon, "Send to", a file association). A command line that begins and ends with '"' is taken
// without that one enclosing pair; one that holds several paths is taken as the first of them,
// the others ignored as in a drop of several files. No other quote is removed and nothing else
// is split off.
void take_command_line(const wchar_t *line) {
  int length = static_cast<int>(std::wcslen(line));
  if (!first_of_several_paths(line, &line, &length) && length >= 2 && line[0] == L'"' &&
      line[length - 1] == L'"') {
    ++line;
    length -= 2;
  }
  command_line_refused =
      !take_source_path(line, length, command_line_path, sizeof command_line_path);
}

// A run converts at most one file: once its conversion begins, the window takes no more drops.
void begin_the_conversion(HWND window) {
  conversion_started = true;
  DragAcceptFiles(window, FALSE);
}

// The first dropped file's path as code page 932 text; false when it has none or is too long.
bool take_dropped_path(HDROP drop, char (&narrow)[NarrowPathCapacity]) {
  wchar_t path[WidePathCapacity];
  if (DragQueryFileW(drop, 0, nullptr, 0) >= WidePathCapacity)
    return false;
  path[0] = L'\0';
  DragQueryFileW(drop, 0, path, WidePathCapacity);
  return take_source_path(path, static_cast<int>(std::wcslen(path)), narrow, sizeof narrow);
}

// The box shows the outcome's text alone; the reason is for the command line.
void report_result(const char *, const ConversionOutcome &outcome) {
  OutcomeMessage message = outcome_message(outcome.result);
  if (message.text) {
    // The texts go to the wide message box as UTF-16, so they read the same on every system
    // code page.
    wchar_t text[128];
    wchar_t caption[32];
    if (!shift_jis_to_wide(message.text, text, 128))
      text[0] = L'\0';
    if (message.caption && !shift_jis_to_wide(message.caption, caption, 32))
      caption[0] = L'\0';
    MessageBoxW(main_window, text, message.caption ? caption : nullptr, MB_OK);
  }
  PostQuitMessage(0);
}

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
  case WM_CREATE:
    if (!command_line_start) {
      DragAcceptFiles(window, TRUE);
      return 0;
    }
    begin_the_conversion(window);
    if (command_line_refused)
      report_result("", failed(ResultReadFailed, "the path cannot be taken in"));
    else
      report_result(command_line_path, convert_path(command_line_path));
    return 0;
  case WM_DROPFILES: {
    // Only the first file of the first drop is converted; every drop is released here.
    HDROP drop = reinterpret_cast<HDROP>(wparam);
    if (conversion_started) {
      DragFinish(drop);
      return 0;
    }
    begin_the_conversion(window);
    char path[NarrowPathCapacity];
    bool taken = take_dropped_path(drop, path);
    DragFinish(drop);
    if (taken)
      report_result(path, convert_path(path));
    else
      report_result("", failed(ResultReadFailed, "the path cannot be taken in"));
    return 0;
  }
  case WM_DESTROY:
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

} // namespace

// The narrow command line the system passes is in the system's code page and may already have
// lost characters, so the command line is read again as UTF-16.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  const wchar_t *command_line = text_after_program_name(GetCommandLineW());
  if (*command_line) {
    command_line_start = 1;
    take_command_line(command_line);
  }

  WNDCLASSEXA window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.style = 0;
  window_class.lpfnWndProc = window_procedure;
  window_class.hInstance = instance;
  window_class.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
  window_class.hIconSm = LoadIconA(nullptr, IDI_WINLOGO);
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  window_class.lpszClassName = "Doruved";
  if (!RegisterClassExA(&window_class))
    return 0;

  // A command-line conversion runs inside this call (WM_CREATE), before the handle is stored,
  // so its message box has no owner.
  main_window = CreateWindowExA(0, "Doruved", "Morvane", WS_OVERLAPPEDWINDOW, 300, 300, 300, 300,
                                nullptr, nullptr, instance, nullptr);
  // Without a window no drop can ever arrive; waiting for one would never end.
  if (!main_window)
    return 0;
  ShowWindow(main_window, show_command);
  UpdateWindow(main_window);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
