// The command-line program's seam on Windows: arguments taken from the UTF-16 command line, kept
// as UTF-8, and lines that read right in a console of any code page and in a pipe.
#include "platform/command_line.h"

#include <windows.h>

#include <io.h>
#include <shellapi.h>

#include <cwchar>
#include <vector>

#include "platform/code_page_932.h"
#include "platform/platform_win32.h"

namespace {

std::string utf8_of(const wchar_t *wide, int length) {
  int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
  std::string text(bytes > 0 ? static_cast<std::size_t>(bytes) : 0, '\0');
  if (bytes > 0)
    WideCharToMultiByte(CP_UTF8, 0, wide, length, text.data(), bytes, nullptr, nullptr);
  return text;
}

// The arguments as the system gives them, in UTF-16, and the UTF-8 texts made from them; both
// live as long as the program.
wchar_t **wide_arguments = nullptr;
std::vector<std::string> texts;

} // namespace

char **command_line_arguments(int *count, char **argv) {
  int wide_count = 0;
  wide_arguments = CommandLineToArgvW(GetCommandLineW(), &wide_count);
  if (!wide_arguments)
    return argv;
  static std::vector<char *> arguments;
  for (int i = 0; i < wide_count; ++i)
    texts.push_back(utf8_of(wide_arguments[i], static_cast<int>(std::wcslen(wide_arguments[i]))));
  for (std::string &text : texts)
    arguments.push_back(text.data());
  arguments.push_back(nullptr);
  *count = wide_count;
  return arguments.data();
}

const char *argument_path(const char *argument, char *buffer, std::size_t capacity) {
  // The path is taken in from the argument's own UTF-16 form; only where the command line could
  // not be split is it made again from the argument's text.
  const wchar_t *wide = nullptr;
  for (std::size_t i = 0; i < texts.size() && !wide; ++i) {
    if (texts[i].data() == argument)
      wide = wide_arguments[i];
  }
  wchar_t made[WidePathCapacity];
  if (!wide && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, argument, -1, made,
                                   WidePathCapacity) > 0)
    wide = made;
  int length = wide ? static_cast<int>(std::wcslen(wide)) : 0;
  if (!wide || !take_source_path(wide, length, buffer, capacity))
    return nullptr;
  return buffer;
}

void append_narrow_text(std::string &line, const char *text) {
  int units = MultiByteToWideChar(CodePage932, 0, text, -1, nullptr, 0);
  if (units <= 0)
    return;
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CodePage932, 0, text, -1, wide.data(), units);
  // A character code page 932 cannot hold shows as the replacement character.
  for (wchar_t &unit : wide) {
    if (unit == static_cast<wchar_t>(StandIn))
      unit = L'\xFFFD';
  }
  line += utf8_of(wide.c_str(), units - 1);
}

void write_line(std::FILE *stream, const std::string &line) {
  std::fflush(stream);
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(handle, &mode)) {
    int units = MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                    nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), wide.data(),
                        units);
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(units), &written, nullptr);
    return;
  }
  for (std::size_t done = 0; done < line.size(); done += written) {
    if (!WriteFile(handle, line.data() + done, static_cast<DWORD>(line.size() - done), &written,
                   nullptr) ||
        written == 0)
      return;
  }
}
