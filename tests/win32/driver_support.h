// What the Windows tests share: wide-path file helpers, starting morvane.exe with an exact
// command line, answering its message box and grabbing pictures of its windows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// One failed check of the running test, recorded instead of stopping it.
void expect(bool condition, const std::string &what);
std::vector<std::string> take_failures();

// For failure messages: non-ASCII characters as \uXXXX, so the report stays plain ASCII.
std::string printable(const std::wstring &text);
std::string printable_bytes(const std::string &bytes);

std::string read_file(const std::wstring &path);
void write_file(const std::wstring &path, const std::string &bytes);
bool file_exists(const std::wstring &path);
void make_directory(const std::wstring &path);
// The names in a directory, sorted, without "." and "..".
std::vector<std::wstring> list_directory(const std::wstring &directory);

struct Started {
  bool ok;
  PROCESS_INFORMATION process;
};

// Starts program with exactly command_line (nothing added or removed) in directory cwd.
Started start_program(const std::wstring &program, const std::wstring &command_line,
                      const std::wstring &cwd);

// A top-level window of the process with the class name given, visible or not; null when none
// appears within the time given.
HWND wait_for_window(DWORD process_id, const wchar_t *class_name, DWORD milliseconds);

// How many top-level windows of the process have the class name given, visible or not.
int count_windows(DWORD process_id, const wchar_t *class_name);

struct MessageBoxSeen {
  bool found;
  std::wstring text;
  std::wstring caption;
  HWND owner;
  int visible_buttons;
  bool has_ok;
};

// Waits for the process's message box, reads it and presses its OK button.
MessageBoxSeen answer_message_box(DWORD process_id);

// Waits for the process to end; its exit code, or -1 when it does not end in time.
long wait_for_exit(const PROCESS_INFORMATION &process);

// Ends a process left behind by a failed test.
void end_process(const PROCESS_INFORMATION &process);

// Writes what the screen shows inside the window's rectangle as a 24-bit BMP file.
bool save_window_picture(HWND window, const std::wstring &path);

// Writes a drop block naming files (wide names) into the target process and posts WM_DROPFILES
// to its window, as the shell does when files are dropped on it.
bool drop_files(HWND window, const PROCESS_INFORMATION &process,
                const std::vector<std::wstring> &files);
