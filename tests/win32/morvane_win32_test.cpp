// Tests of the real morvane.exe under Wine: started with exact command lines and sent real
// drops, its message boxes read and answered, its output files compared byte for byte with the
// command-line program's output for the same sources.
//
//   morvane_win32_test sources DIR                 writes the shared sources into DIR
//   morvane_win32_test run PROGRAM WORK EXPECTED   runs every test; EXPECTED holds the sources
//                                                  and the command-line program's outputs
//   morvane_win32_test pictures PROGRAM WORK OUT   saves window.bmp and message.bmp into OUT
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver_support.h"
#include "tests/bitmap_file.h"

namespace {

const std::wstring SuccessText = L"ファイルの変換に成功しました！";
const std::wstring SuccessCaption = L"成功";
const std::wstring UnsupportedText = L"このファイル形式には対応していません！";
const std::wstring ReadFailedText = L"ファイルの読み込みに失敗しました！";
const std::wstring NotIndexedText = L"このファイルは１６色ｏｒ２５６色ビットマップではありません！";
const std::wstring SizeText = L"画像の幅と高さが８の倍数ではありません！";
// The caption the system gives a box that has none of its own.
const std::wstring DefaultCaption = L"Error";

// ---- source builders

std::string colour_file() {
  std::string bytes;
  for (unsigned i = 0; i < 256; ++i) {
    unsigned colour = (i * 0x0123u + (i & 1 ? 0x8000u : 0u) + (i >> 4) * 0x0400u) & 0xFFFFu;
    bytes += static_cast<char>(colour & 0xFF);
    bytes += static_cast<char>(colour >> 8);
  }
  return bytes;
}

// A bitmap with the headers, a full colour table for its depth and rows of varied pixels.
std::string varied_bitmap(int width, int height, int bits) {
  int row_bytes = (width * bits / 8 + 3) & ~3;
  BitmapFields fields;
  fields.width = width;
  fields.height = height;
  fields.bits = static_cast<std::uint16_t>(bits);
  fields.image_size = static_cast<std::uint32_t>(row_bytes * height);
  fields.pixels_per_metre = 2835;
  for (int i = 0; bits <= 8 && i < 1 << bits; ++i)
    append_u32(fields.table, static_cast<std::uint32_t>(i * 0x0F0B07) & 0xFFFFFF);
  for (int i = 0; i < row_bytes * height; ++i)
    fields.pixel_data.push_back(static_cast<std::uint8_t>((i * 37 + i / row_bytes) & 0xFF));
  Bytes bytes = make_bitmap(fields);
  return std::string(bytes.begin(), bytes.end());
}

// 1,024 characters of 32 bytes, every byte different from its neighbours.
std::string character_file() {
  std::string bytes;
  for (unsigned i = 0; i < 32768; ++i)
    bytes += static_cast<char>((i * 97 + i / 512) & 0xFF);
  return bytes;
}

// 1,024 screen entries of 2 bytes, each different.
std::string screen_file() {
  std::string bytes;
  for (unsigned i = 0; i < 2048; ++i)
    bytes += static_cast<char>((i * 41 + i / 256) & 0xFF);
  return bytes;
}

// ---- what every test works with

struct Context {
  std::wstring program;  // morvane.exe
  std::wstring work;     // a fresh directory per test is made under it
  std::wstring expected; // the sources and the command-line program's outputs for them
};

struct Outcome {
  MessageBoxSeen box;
  long exit_code;
};

std::wstring widen(const char *text) {
  wchar_t wide[1024];
  if (MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, 1024) <= 0)
    return L"";
  return wide;
}

std::wstring quoted(const std::wstring &text) { return L"\"" + text + L"\""; }

std::wstring dos_bytes_name(const std::string &name) {
  std::wstring wide;
  for (char c : name)
    wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return wide;
}

// Runs the program with exactly command_line and answers its one message box.
Outcome run_command_line(const Context &context, const std::wstring &command_line,
                         const std::wstring &cwd = L"") {
  Outcome outcome = {{}, -1};
  Started started = start_program(context.program, command_line, cwd);
  if (!started.ok)
    return outcome;
  outcome.box = answer_message_box(started.process.dwProcessId);
  outcome.exit_code = wait_for_exit(started.process);
  end_process(started.process);
  return outcome;
}

// Starts the program with no command line, waits for its window and drops files on it.
Outcome run_drop(const Context &context, const std::vector<std::wstring> &files, HWND *window) {
  Outcome outcome = {{}, -1};
  Started started = start_program(context.program, quoted(context.program), L"");
  if (!started.ok)
    return outcome;
  *window = wait_for_window(started.process.dwProcessId, L"Doruved", 30000);
  expect(*window != nullptr, "the window did not appear");
  if (*window) {
    expect(drop_files(*window, started.process, files), "could not drop the files");
    outcome.box = answer_message_box(started.process.dwProcessId);
    outcome.exit_code = wait_for_exit(started.process);
  }
  end_process(started.process);
  return outcome;
}

void expect_outcome(const Outcome &outcome, const std::wstring &text, const std::wstring &caption) {
  expect(outcome.box.found, "no message box appeared");
  if (outcome.box.found) {
    expect(outcome.box.text == text, "box text: " + printable(outcome.box.text));
    expect(outcome.box.caption == caption, "box caption: " + printable(outcome.box.caption));
    expect(outcome.box.visible_buttons == 1 && outcome.box.has_ok,
           "the box has " + std::to_string(outcome.box.visible_buttons) +
               " buttons, OK among them: " + (outcome.box.has_ok ? "yes" : "no"));
  }
  expect(outcome.exit_code == 0, "exit code " + std::to_string(outcome.exit_code));
}

void expect_names(const std::wstring &directory, std::vector<std::wstring> names) {
  std::sort(names.begin(), names.end());
  std::vector<std::wstring> found = list_directory(directory);
  std::wstring listed;
  for (const std::wstring &name : found)
    listed += L" " + name;
  expect(found == names, "the directory holds:" + printable(listed));
}

void expect_same_output(const std::wstring &path, const std::string &expected) {
  std::string written = read_file(path);
  expect(!expected.empty(), "no expected output to compare with");
  expect(written == expected,
         "the output " + printable(path) + " differs: " + printable_bytes(written.substr(0, 200)));
}

// The command-line program's output for base name from, with the array names made from the
// base name to (given as its code page 932 bytes) instead.
std::string renamed_output(const Context &context, const char *from, const std::string &to) {
  std::string text = read_file(context.expected + L"\\" + dos_bytes_name(from) + L".c");
  std::string old_prefix = std::string(" ") + from + "_";
  for (std::size_t at = text.find(old_prefix); at != std::string::npos;
       at = text.find(old_prefix, at + 1))
    text.replace(at + 1, std::strlen(from), to);
  return text;
}

std::string expected_output(const Context &context, const char *base_name) {
  return read_file(context.expected + L"\\" + dos_bytes_name(base_name) + L".c");
}

// ---- the tests

void command_line_converts_a_colour_file(const Context &context, const std::wstring &dir) {
  write_file(dir + L"\\pal.col", colour_file());
  write_file(dir + L"\\pal.c", "an earlier output, to be replaced\r\n");
  Outcome outcome = run_command_line(context, quoted(context.program) + L" " + dir + L"\\pal.col");
  expect_outcome(outcome, SuccessText, SuccessCaption);
  // The conversion runs while the window is being created, so its box has no owner.
  expect(outcome.box.owner == nullptr, "the box has an owner");
  expect_same_output(dir + L"\\pal.c", expected_output(context, "pal"));
  expect_names(dir, {L"pal.col", L"pal.c"});
}

void command_line_forms_of_the_program_name(const Context &context, const std::wstring &dir) {
  // The program's name unquoted, blanks and a tab before the path, a path relative to the
  // working directory: the output goes there.
  write_file(dir + L"\\pal.col", colour_file());
  Outcome outcome = run_command_line(context, context.program + L"  \t pal.col", dir);
  expect_outcome(outcome, SuccessText, SuccessCaption);
  expect_same_output(dir + L"\\pal.c", expected_output(context, "pal"));
  expect_names(dir, {L"pal.col", L"pal.c"});
}

void command_line_failures(const Context &context, const std::wstring &dir) {
  write_file(dir + L"\\notes.txt", "not graphics\r\n");
  expect_outcome(run_command_line(context, quoted(context.program) + L" " + dir + L"\\notes.txt"),
                 UnsupportedText, DefaultCaption);
  expect_outcome(run_command_line(context, quoted(context.program) + L" " + dir + L"\\missing.col"),
                 ReadFailedText, DefaultCaption);
  // A directory is not a source.
  make_directory(dir + L"\\folder.col");
  expect_outcome(run_command_line(context, quoted(context.program) + L" " + dir + L"\\folder.col"),
                 ReadFailedText, DefaultCaption);
  expect_names(dir, {L"folder.col", L"notes.txt"});
}

void quoted_command_line(const Context &context, const std::wstring &dir) {
  // The shell quotes a path with a blank: the quoted path converts like the bare one, which
  // still converts unquoted.
  std::wstring folder = dir + L"\\My Pictures";
  make_directory(folder);
  write_file(folder + L"\\x y.col", colour_file());
  std::wstring start = quoted(context.program) + L" ";
  expect_outcome(run_command_line(context, start + quoted(folder + L"\\x y.col")), SuccessText,
                 SuccessCaption);
  std::string from_quoted = read_file(folder + L"\\x y.c");
  expect_same_output(folder + L"\\x y.c", renamed_output(context, "pal", "x_y"));
  DeleteFileW((folder + L"\\x y.c").c_str());
  expect_outcome(run_command_line(context, start + folder + L"\\x y.col"), SuccessText,
                 SuccessCaption);
  expect_same_output(folder + L"\\x y.c", from_quoted);
  expect_names(folder, {L"x y.c", L"x y.col"});

  // Only one pair that encloses the whole line goes: a lone quote, or quotes within, stay part
  // of the path, and nothing is split off at them.
  write_file(dir + L"\\a.col", colour_file());
  write_file(dir + L"\\b.col", colour_file());
  const std::wstring unsupported[] = {
      L"\"",
      L"\"\"",
      quoted(folder + L"\\x y.col") + L" ",
      folder + L"\\x y.col\"",
      quoted(dir + L"\\a.col") + L" " + quoted(dir + L"\\b.col") + L".txt",
      quoted(quoted(dir + L"\\a.col")),
  };
  for (const std::wstring &line : unsupported)
    expect_outcome(run_command_line(context, start + line), UnsupportedText, DefaultCaption);
  const std::wstring unreadable[] = {
      L"\"" + folder + L"\\x y.col",
      quoted(folder) + L"\\x y.col",
  };
  for (const std::wstring &line : unreadable)
    expect_outcome(run_command_line(context, start + line), ReadFailedText, DefaultCaption);
  expect_names(folder, {L"x y.c", L"x y.col"});
  expect_names(dir, {L"My Pictures", L"a.col", L"b.col"});
}

void several_paths_on_the_command_line(const Context &context, const std::wstring &dir) {
  // The shell's line for several files on the icon or "Send to": those with a blank quoted. The
  // first converts; the others are ignored, as in a drop of several files.
  std::wstring folder = dir + L"\\My Pictures";
  make_directory(folder);
  write_file(folder + L"\\x y.col", colour_file());
  write_file(folder + L"\\z w.col", colour_file());
  write_file(dir + L"\\plain.col", colour_file());
  std::wstring start = quoted(context.program) + L" ";
  expect_outcome(run_command_line(context, start + quoted(folder + L"\\x y.col") + L" " +
                                               quoted(folder + L"\\z w.col") + L" " + dir +
                                               L"\\plain.col"),
                 SuccessText, SuccessCaption);
  expect_same_output(folder + L"\\x y.c", renamed_output(context, "pal", "x_y"));
  expect_names(folder, {L"x y.c", L"x y.col", L"z w.col"});
  expect_names(dir, {L"My Pictures", L"plain.col"});

  expect_outcome(
      run_command_line(context, start + dir + L"\\plain.col  " + quoted(folder + L"\\z w.col")),
      SuccessText, SuccessCaption);
  expect_same_output(dir + L"\\plain.c", renamed_output(context, "pal", "plain"));
  expect_names(folder, {L"x y.c", L"x y.col", L"z w.col"});

  // The first path is the one taken, also when it cannot be read.
  expect_outcome(run_command_line(context, start + quoted(folder + L"\\gone.col") + L" " +
                                               quoted(folder + L"\\z w.col")),
                 ReadFailedText, DefaultCaption);
  expect_names(folder, {L"x y.c", L"x y.col", L"z w.col"});
  expect_names(dir, {L"My Pictures", L"plain.c", L"plain.col"});
}

void bitmap_outcomes(const Context &context, const std::wstring &dir) {
  write_file(dir + L"\\deep.bmp", varied_bitmap(8, 8, 24));
  write_file(dir + L"\\odd.bmp", varied_bitmap(12, 8, 4));
  expect_outcome(run_command_line(context, quoted(context.program) + L" " + dir + L"\\deep.bmp"),
                 NotIndexedText, DefaultCaption);
  expect_outcome(run_command_line(context, quoted(context.program) + L" " + dir + L"\\odd.bmp"),
                 SizeText, DefaultCaption);
  write_file(dir + L"\\tiles.bmp", varied_bitmap(16, 16, 4));
  expect_outcome(run_command_line(context, quoted(context.program) + L" " + dir + L"\\tiles.bmp"),
                 SuccessText, SuccessCaption);
  expect_same_output(dir + L"\\tiles.c", expected_output(context, "tiles"));
  expect_names(dir, {L"deep.bmp", L"odd.bmp", L"tiles.bmp", L"tiles.c"});
}

void empty_command_line_waits_with_the_window(const Context &context, const std::wstring &dir) {
  // Blanks after the program's name alone make an empty command line too.
  for (const std::wstring &line : {quoted(context.program), quoted(context.program) + L"   "}) {
    Started started = start_program(context.program, line, dir);
    if (!started.ok)
      continue;
    HWND window = wait_for_window(started.process.dwProcessId, L"Doruved", 30000);
    expect(window != nullptr, "no window of class Doruved");
    if (window) {
      wchar_t title[64] = L"";
      GetWindowTextW(window, title, 64);
      expect(std::wstring(title) == L"Morvane", "window title: " + printable(title));
      expect(IsWindowVisible(window), "the window is not shown");
      RECT rect = {};
      GetWindowRect(window, &rect);
      expect(rect.left == 300 && rect.top == 300 && rect.right == 600 && rect.bottom == 600,
             "window rectangle " + std::to_string(rect.left) + "," + std::to_string(rect.top) +
                 "," + std::to_string(rect.right) + "," + std::to_string(rect.bottom));
      expect((GetWindowLongW(window, GWL_STYLE) & WS_OVERLAPPEDWINDOW) == WS_OVERLAPPEDWINDOW,
             "the window is not an overlapped window");
      expect((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0,
             "the window does not accept dropped files");
      // Still waiting a while later: no box, no exit.
      Sleep(500);
      expect(WaitForSingleObject(started.process.hProcess, 0) == WAIT_TIMEOUT,
             "the program ended without a drop");
      expect(wait_for_window(started.process.dwProcessId, L"#32770", 0) == nullptr,
             "a message box appeared without a drop");
      PostMessageW(window, WM_CLOSE, 0, 0);
      expect(wait_for_exit(started.process) == 0, "closing the window did not end with 0");
    }
    end_process(started.process);
  }
  expect_names(dir, {});
}

void drop_converts_only_the_first_file(const Context &context, const std::wstring &dir) {
  write_file(dir + L"\\pal.col", colour_file());
  write_file(dir + L"\\other.col", colour_file());
  HWND window = nullptr;
  Outcome outcome = run_drop(context, {dir + L"\\pal.col", dir + L"\\other.col"}, &window);
  expect_outcome(outcome, SuccessText, SuccessCaption);
  expect(outcome.box.owner == window, "the box is not owned by the main window");
  expect_same_output(dir + L"\\pal.c", expected_output(context, "pal"));
  expect_names(dir, {L"other.col", L"pal.col", L"pal.c"});
}

// While the outcome box of the run's conversion is open, a second drop arrives; the run still
// converts only its one file, shows one box and ends with 0.
void second_drop_while_the_box_is_open(const Context &context, const std::wstring &dir) {
  write_file(dir + L"\\pal.col", colour_file());
  write_file(dir + L"\\other.col", colour_file());
  // Started for a drop, then started with a command line: its window exists, though unseen.
  for (bool by_drop : {true, false}) {
    std::wstring line = quoted(context.program);
    if (!by_drop)
      line += L" " + dir + L"\\pal.col";
    Started started = start_program(context.program, line, L"");
    if (!started.ok)
      continue;
    DWORD process_id = started.process.dwProcessId;
    HWND window = wait_for_window(process_id, L"Doruved", 30000);
    expect(window != nullptr, "the window did not appear");
    if (window && by_drop)
      expect(drop_files(window, started.process, {dir + L"\\pal.col"}), "could not drop");
    expect(wait_for_window(process_id, L"#32770", 30000) != nullptr, "no message box appeared");
    if (window)
      expect(drop_files(window, started.process, {dir + L"\\other.col"}), "could not drop again");
    // Time for a second conversion and its box, were there to be one.
    Sleep(1500);
    expect(count_windows(process_id, L"#32770") == 1,
           std::to_string(count_windows(process_id, L"#32770")) + " message boxes are open");
    expect(!file_exists(dir + L"\\other.c"), "the second drop was converted");
    expect_outcome({answer_message_box(process_id), wait_for_exit(started.process)}, SuccessText,
                   SuccessCaption);
    end_process(started.process);
    expect_same_output(dir + L"\\pal.c", expected_output(context, "pal"));
    expect_names(dir, {L"other.col", L"pal.col", L"pal.c"});
    DeleteFileW((dir + L"\\pal.c").c_str());
  }
}

void drop_of_an_unsupported_file(const Context &context, const std::wstring &dir) {
  write_file(dir + L"\\notes.txt", "text\r\n");
  write_file(dir + L"\\pal.col", colour_file());
  HWND window = nullptr;
  Outcome outcome = run_drop(context, {dir + L"\\notes.txt", dir + L"\\pal.col"}, &window);
  expect_outcome(outcome, UnsupportedText, DefaultCaption);
  expect(outcome.box.owner == window, "the box is not owned by the main window");
  expect_names(dir, {L"notes.txt", L"pal.col"});
}

void japanese_file_name(const Context &context, const std::wstring &dir) {
  write_file(dir + L"\\タイトル.col", colour_file());
  Outcome outcome =
      run_command_line(context, quoted(context.program) + L" " + dir + L"\\タイトル.col");
  expect_outcome(outcome, SuccessText, SuccessCaption);
  expect_same_output(dir + L"\\タイトル.c",
                     renamed_output(context, "pal", "\x83\x5E\x83\x43\x83\x67\x83\x8B"));
  expect_names(dir, {L"タイトル.c", L"タイトル.col"});
}

void backslash_byte_inside_japanese_names(const Context &context, const std::wstring &dir) {
  // The second bytes of ソ (83 5C) and 表 (95 5C) are the backslash's byte; the directory is
  // still found whole, and the array names keep those bytes.
  make_directory(dir + L"\\ソフト");
  write_file(dir + L"\\ソフト\\表示.col", colour_file());
  HWND window = nullptr;
  Outcome outcome = run_drop(context, {dir + L"\\ソフト\\表示.col"}, &window);
  expect_outcome(outcome, SuccessText, SuccessCaption);
  expect_same_output(dir + L"\\ソフト\\表示.c", renamed_output(context, "pal", "\x95\x5C\x8E\xA6"));
  expect_names(dir + L"\\ソフト", {L"表示.c", L"表示.col"});
  expect_names(dir, {L"ソフト"});
}

void array_names_compile(const Context &context, const std::wstring &dir) {
  // Names of real work files. The arrays are named so that a C compiler takes them (run.sh
  // compiles what this test leaves); the outputs keep their sources' names. The second bytes of
  // ソ (83 5C), ポ (83 7C) and ー (81 5B) stay with their first, and the one-byte katakana ｱ (B1)
  // takes nothing with it.
  struct Named {
    std::wstring source;
    std::string (*contents)();
    std::wstring output;
    const char *converted_as; // the base name of the shared source of the same kind
    std::string array_base;   // as code page 932 bytes
  };
  auto bitmap = [] { return varied_bitmap(16, 16, 4); };
  const Named names[] = {
      {L"ST-P.CGX", character_file, L"ST-P.c", "sheet", "ST_P"},
      {L"MAP-OBJ.CGX", character_file, L"MAP-OBJ.c", "sheet", "MAP_OBJ"},
      {L"1-3.SCR", screen_file, L"1-3.c", "scene", "_1_3"},
      {L"title screen.bmp", bitmap, L"title screen.c", "tiles", "title_screen"},
      {L"a+b(2).col", colour_file, L"a+b(2).c", "pal", "a_b_2_"},
      {L"ソフト.col", colour_file, L"ソフト.c", "pal", "\x83\x5C\x83\x74\x83\x67"},
      {L"ポー-1.scr", screen_file, L"ポー-1.c", "scene", "\x83\x7C\x81\x5B_1"},
      {L"ｱ-b.cgx", character_file, L"ｱ-b.c", "sheet", "\xB1_b"},
      {L"café.col", colour_file, L"café.c", "pal", "caf_"},
      {L"\U0001F3A8-1.scr", screen_file, L"\U0001F3A8-1.c", "scene", "__1"},
  };
  std::vector<std::wstring> listed;
  for (const Named &named : names) {
    write_file(dir + L"\\" + named.source, named.contents());
    Outcome outcome =
        run_command_line(context, quoted(context.program) + L" " + dir + L"\\" + named.source);
    expect_outcome(outcome, SuccessText, SuccessCaption);
    expect_same_output(dir + L"\\" + named.output,
                       renamed_output(context, named.converted_as, named.array_base));
    listed.push_back(named.source);
    listed.push_back(named.output);
  }
  expect_names(dir, listed);
}

// Sources whose paths code page 932 cannot hold whole convert as any other: the output keeps
// the source's name in full, and in the array names each such character becomes '_'.
void paths_beyond_code_page_932(const Context &context, const std::wstring &dir) {
  struct Source {
    std::wstring folder;
    std::wstring name;
    std::string (*contents)();
    std::wstring output;
    const char *converted_as; // the base name of the shared source of the same kind
    std::string array_base;   // as code page 932 bytes
    // Files beside it that a look-alike or a '_' in place of a character would name instead.
    std::vector<std::wstring> others;
  };
  auto bitmap = [] { return varied_bitmap(16, 16, 4); };
  const Source sources[] = {
      {L"José", L"José.col", colour_file, L"José.c", "pal", "Jos_", {L"Jose.col", L"Jos_.col"}},
      {L"한글", L"한글.bmp", bitmap, L"한글.c", "tiles", "__", {L"__.bmp"}},
      // The folder's first character is not the name's: each keeps its own.
      {L"Ève", L"Éve.col", colour_file, L"Éve.c", "pal", "_ve", {L"Eve.col", L"_ve.col"}},
      // Code page 932 holds these: the output is the one it has always been.
      {L"カード", L"カード.cgx", character_file, L"カード.c", "sheet", "\x83\x4A\x81\x5B\x83\x68",
       {}},
      // One character of two UTF-16 units, and one '_' for it.
      {L"\U0001F3A8 art", L"map\U0001F3A8.scr", screen_file, L"map\U0001F3A8.c", "scene", "map_",
       {L"map_.scr"}},
  };
  for (const Source &source : sources) {
    std::wstring folder = dir + L"\\" + source.folder;
    make_directory(folder);
    write_file(folder + L"\\" + source.name, source.contents());
    for (const std::wstring &other : source.others)
      write_file(folder + L"\\" + other, source.contents());
    std::wstring path = folder + L"\\" + source.name;
    std::wstring relative = source.folder + L"\\" + source.name;
    std::string expected = renamed_output(context, source.converted_as, source.array_base);

    expect_outcome(run_command_line(context, quoted(context.program) + L" " + path), SuccessText,
                   SuccessCaption);
    expect_same_output(folder + L"\\" + source.output, expected);
    DeleteFileW((folder + L"\\" + source.output).c_str());
    expect_outcome(run_command_line(context, quoted(context.program) + L" " + relative, dir),
                   SuccessText, SuccessCaption);
    expect_same_output(folder + L"\\" + source.output, expected);
    DeleteFileW((folder + L"\\" + source.output).c_str());
    HWND window = nullptr;
    expect_outcome(run_drop(context, {path}, &window), SuccessText, SuccessCaption);
    expect_same_output(folder + L"\\" + source.output, expected);
    std::vector<std::wstring> names = source.others;
    names.push_back(source.name);
    names.push_back(source.output);
    expect_names(folder, names);
  }
}

// A path of exactly length characters: dir\ddd...\fff...f.col
std::wstring path_of_length(const std::wstring &dir, std::size_t length) {
  std::wstring folder = dir + L"\\" + std::wstring(120, L'd');
  std::size_t name_length = length - folder.size() - 1;
  return folder + L"\\" + std::wstring(name_length - 4, L'f') + L".col";
}

void paths_at_the_length_limit(const Context &context, const std::wstring &dir) {
  // 255 characters and the NUL fill the path buffer exactly; one more does not fit.
  std::wstring folder = dir + L"\\" + std::wstring(120, L'd');
  make_directory(folder);
  std::wstring fits = path_of_length(dir, 255);
  std::wstring too_long = path_of_length(dir, 256);
  write_file(fits, colour_file());
  write_file(too_long, colour_file());
  expect_outcome(run_command_line(context, quoted(context.program) + L" " + fits), SuccessText,
                 SuccessCaption);
  std::wstring fits_output = fits.substr(0, fits.size() - 4) + L".c";
  expect(file_exists(fits_output), "the 255-character path was not converted");
  DeleteFileW(fits_output.c_str());

  expect_outcome(run_command_line(context, quoted(context.program) + L" " + too_long),
                 ReadFailedText, DefaultCaption);
  HWND window = nullptr;
  expect_outcome(run_drop(context, {too_long}, &window), ReadFailedText, DefaultCaption);
  expect_names(folder, {fits.substr(folder.size() + 1), too_long.substr(folder.size() + 1)});
}

// The limit is measured in code page 932 bytes, a stand-in counting one however many UTF-16
// units its character has.
void stand_ins_at_the_length_limit(const Context &context, const std::wstring &dir) {
  std::wstring folder = dir + L"\\" + std::wstring(120, L'd');
  make_directory(folder);
  // The name's first 'f' becomes a character of two UTF-16 units: one byte still.
  auto with_emoji = [&](std::wstring path) {
    return path.replace(folder.size() + 1, 1, L"\U0001F3A8");
  };
  std::wstring fits = with_emoji(path_of_length(dir, 255));
  std::wstring too_long = with_emoji(path_of_length(dir, 256));
  write_file(fits, colour_file());
  write_file(too_long, colour_file());
  std::wstring fits_output = fits.substr(0, fits.size() - 4) + L".c";
  HWND window = nullptr;
  expect_outcome(run_command_line(context, quoted(context.program) + L" " + fits), SuccessText,
                 SuccessCaption);
  expect(file_exists(fits_output), "the 255-byte path was not converted from the command line");
  DeleteFileW(fits_output.c_str());
  expect_outcome(run_drop(context, {fits}, &window), SuccessText, SuccessCaption);
  expect(file_exists(fits_output), "the 255-byte path was not converted from a drop");
  DeleteFileW(fits_output.c_str());

  expect_outcome(run_command_line(context, quoted(context.program) + L" " + too_long),
                 ReadFailedText, DefaultCaption);
  expect_outcome(run_drop(context, {too_long}, &window), ReadFailedText, DefaultCaption);
  expect_names(folder, {fits.substr(folder.size() + 1), too_long.substr(folder.size() + 1)});
}

void output_named_by_the_stored_name(const Context &context, const std::wstring &dir) {
  // The path names the file in other letter cases; the output takes the name as listed.
  write_file(dir + L"\\SkyPalette.col", colour_file());
  Outcome outcome =
      run_command_line(context, quoted(context.program) + L" " + dir + L"\\SKYPALETTE.COL");
  expect_outcome(outcome, SuccessText, SuccessCaption);
  expect_same_output(dir + L"\\SkyPalette.c", renamed_output(context, "pal", "SkyPalette"));
  expect_names(dir, {L"SkyPalette.c", L"SkyPalette.col"});
}

void source_in_a_drive_root(const Context &context, const std::wstring &) {
  // C:\morvane-root.col writes C:\morvane-root.c.
  const std::wstring source = L"C:\\morvane-root.col";
  const std::wstring output = L"C:\\morvane-root.c";
  write_file(source, colour_file());
  DeleteFileW(output.c_str());
  Outcome outcome = run_command_line(context, quoted(context.program) + L" " + source);
  expect_outcome(outcome, SuccessText, SuccessCaption);
  expect_same_output(output, renamed_output(context, "pal", "morvane_root"));
  DeleteFileW(source.c_str());
  DeleteFileW(output.c_str());
}

void source_held_open_by_another_program(const Context &context, const std::wstring &dir) {
  // The sources are opened without sharing; only the character converter, which keeps its
  // source open while it writes, lets other readers share it.
  write_file(dir + L"\\pal.col", colour_file());
  write_file(dir + L"\\sheet.cgx", character_file());
  HANDLE colours = CreateFileW((dir + L"\\pal.col").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE characters = CreateFileW((dir + L"\\sheet.cgx").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  expect(colours != INVALID_HANDLE_VALUE && characters != INVALID_HANDLE_VALUE,
         "could not open the sources");
  expect_outcome(run_command_line(context, quoted(context.program) + L" " + dir + L"\\pal.col"),
                 ReadFailedText, DefaultCaption);
  expect_outcome(run_command_line(context, quoted(context.program) + L" " + dir + L"\\sheet.cgx"),
                 SuccessText, SuccessCaption);
  CloseHandle(colours);
  CloseHandle(characters);
  expect_same_output(dir + L"\\sheet.c", expected_output(context, "sheet"));
  expect_names(dir, {L"pal.col", L"sheet.c", L"sheet.cgx"});
}

void output_never_replaces_its_source(const Context &context, const std::wstring &dir) {
  // The source's second name is its output's: converting it would replace the source.
  write_file(dir + L"\\h.c", colour_file());
  expect(CreateHardLinkW((dir + L"\\h.col").c_str(), (dir + L"\\h.c").c_str(), nullptr),
         "could not link h.col to h.c");
  expect_outcome(run_command_line(context, quoted(context.program) + L" " + dir + L"\\h.col"),
                 ReadFailedText, DefaultCaption);
  expect(read_file(dir + L"\\h.c") == colour_file(), "the source h.c was changed");
  expect_names(dir, {L"h.c", L"h.col"});
}

void temporary_outputs_left_behind_are_removed(const Context &context, const std::wstring &dir) {
  // A process that has ended: a conversion refused.
  write_file(dir + L"\\notes.txt", "not graphics\r\n");
  Started ended = start_program(context.program, quoted(context.program) + L" notes.txt", dir);
  expect(ended.ok, "could not start the program");
  if (!ended.ok)
    return;
  answer_message_box(ended.process.dwProcessId);
  wait_for_exit(ended.process);
  end_process(ended.process);
  std::wstring gone = std::to_wstring(ended.process.dwProcessId);
  std::wstring live = L"~morvane-" + std::to_wstring(GetCurrentProcessId()) + L"-0.tmp";
  write_file(dir + L"\\~morvane-" + gone + L"-0.tmp", "left by a program that ended");
  write_file(dir + L"\\~morvane-" + gone + L"-99.tmp", "left by a program that ended");
  // Names not exactly of that form, and a running process's file, stay.
  std::vector<std::wstring> kept = {L"~morvane-" + gone + L"-00.tmp",
                                    L"~morvane-" + gone + L"-100.tmp",
                                    L"~morvane-0" + gone + L"-0.tmp",
                                    L"~morvane-" + gone + L"-0.tmp.c",
                                    L"~morvane--0.tmp",
                                    live};
  for (const std::wstring &name : kept)
    write_file(dir + L"\\" + name, "not to be removed");
  write_file(dir + L"\\pal.col", colour_file());
  expect_outcome(run_command_line(context, quoted(context.program) + L" " + dir + L"\\pal.col"),
                 SuccessText, SuccessCaption);
  kept.insert(kept.end(), {L"notes.txt", L"pal.col", L"pal.c"});
  expect_names(dir, kept);
}

void shell_icon_group_101(const Context &context, const std::wstring &) {
  // Icon group 101: two 32 x 32 images, one of 16 colours (4 bits) and one of 256 (8 bits).
  HMODULE program = LoadLibraryExW(context.program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  expect(program != nullptr, "the program file cannot be loaded for its resources");
  if (!program)
    return;
  HRSRC group =
      FindResourceW(program, MAKEINTRESOURCEW(101), MAKEINTRESOURCEW(14)); // RT_GROUP_ICON
  expect(group != nullptr, "no icon group 101");
  if (group) {
    // The group directory: 6 bytes (reserved, type, count), then 14 bytes per image.
    auto *bytes = static_cast<const unsigned char *>(LockResource(LoadResource(program, group)));
    DWORD size = SizeofResource(program, group);
    int count = size >= 6 ? bytes[4] | bytes[5] << 8 : 0;
    expect(count == 2 && size == 6u + 14u * 2u,
           "icon group 101 holds " + std::to_string(count) + " images");
    std::vector<std::string> images;
    for (int i = 0; i < count && 6u + 14u * (i + 1) <= size; ++i) {
      const unsigned char *entry = bytes + 6 + 14 * i;
      images.push_back(std::to_string(entry[0]) + "x" + std::to_string(entry[1]) + "x" +
                       std::to_string(entry[6] | entry[7] << 8));
    }
    std::sort(images.begin(), images.end());
    expect(images == std::vector<std::string>{"32x32x4", "32x32x8"},
           "icon group 101 images: " + (images.empty() ? std::string("none") : images[0]));
  }
  FreeLibrary(program);
}

// The version resource as the system's version API reads it, and the manifest, of the program
// file named file_name.
void expect_version_and_manifest(const std::wstring &program, const std::wstring &file_name) {
  DWORD size = GetFileVersionInfoSizeW(program.c_str(), nullptr);
  std::vector<unsigned char> info(size);
  expect(size > 0 && GetFileVersionInfoW(program.c_str(), 0, size, info.data()),
         "no version information in " + printable(file_name));
  if (size > 0) {
    auto text_of = [&](const wchar_t *name) {
      std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
      void *value = nullptr;
      UINT length = 0;
      if (!VerQueryValueW(info.data(), key.c_str(), &value, &length) || length == 0)
        return std::wstring(L"(none)");
      return std::wstring(static_cast<const wchar_t *>(value));
    };
    const std::wstring version = widen(MORVANE_VERSION);
    expect(text_of(L"FileVersion") == version, "FileVersion " + printable(text_of(L"FileVersion")));
    expect(text_of(L"ProductVersion") == version,
           "ProductVersion " + printable(text_of(L"ProductVersion")));
    expect(text_of(L"ProductName") == L"Morvane", "ProductName " + printable(text_of(L"ProductName")));
    expect(text_of(L"OriginalFilename") == file_name,
           "OriginalFilename " + printable(text_of(L"OriginalFilename")));
    for (const wchar_t *name : {L"FileDescription", L"LegalCopyright"})
      expect(text_of(name) != L"(none)", "no " + printable(name));
    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    expect(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void **>(&fixed), &length) &&
               length == sizeof *fixed,
           "no fixed version information");
    if (fixed) {
      std::wstring numbers = std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                             std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
                             std::to_wstring(HIWORD(fixed->dwFileVersionLS));
      expect(numbers == version && LOWORD(fixed->dwFileVersionLS) == 0,
             "the file version numbers read " + printable(numbers));
    }
  }

  HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  expect(module != nullptr, "the program file cannot be loaded for its resources");
  if (!module)
    return;
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)); // RT_MANIFEST
  expect(found != nullptr, "no manifest in " + printable(file_name));
  if (found) {
    std::string manifest(static_cast<const char *>(LockResource(LoadResource(module, found))),
                         SizeofResource(module, found));
    for (const char *setting : {"level=\"asInvoker\"", "PerMonitorV2", "true/pm",
                                "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", // Windows 7
                                "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) // Windows 10 and 11
      expect(manifest.find(setting) != std::string::npos,
             std::string("the manifest lacks ") + setting);
    expect(manifest.find("activeCodePage") == std::string::npos,
           "the manifest sets the process code page");
  }
  FreeLibrary(module);
}

void version_and_manifest(const Context &context, const std::wstring &) {
  expect_version_and_manifest(context.program, L"morvane.exe");
  // The console companion lies beside it.
  std::wstring folder = context.program.substr(0, context.program.find_last_of(L'\\') + 1);
  expect_version_and_manifest(folder + L"morvane-cli.exe", L"morvane-cli.exe");
}

struct TestCase {
  const char *name;
  void (*run)(const Context &, const std::wstring &directory);
};

const TestCase test_cases[] = {
    {"command_line_converts_a_colour_file", command_line_converts_a_colour_file},
    {"command_line_forms_of_the_program_name", command_line_forms_of_the_program_name},
    {"command_line_failures", command_line_failures},
    {"quoted_command_line", quoted_command_line},
    {"several_paths_on_the_command_line", several_paths_on_the_command_line},
    {"bitmap_outcomes", bitmap_outcomes},
    {"empty_command_line_waits_with_the_window", empty_command_line_waits_with_the_window},
    {"drop_converts_only_the_first_file", drop_converts_only_the_first_file},
    {"second_drop_while_the_box_is_open", second_drop_while_the_box_is_open},
    {"drop_of_an_unsupported_file", drop_of_an_unsupported_file},
    {"japanese_file_name", japanese_file_name},
    {"backslash_byte_inside_japanese_names", backslash_byte_inside_japanese_names},
    {"array_names_compile", array_names_compile},
    {"paths_beyond_code_page_932", paths_beyond_code_page_932},
    {"paths_at_the_length_limit", paths_at_the_length_limit},
    {"stand_ins_at_the_length_limit", stand_ins_at_the_length_limit},
    {"output_named_by_the_stored_name", output_named_by_the_stored_name},
    {"source_in_a_drive_root", source_in_a_drive_root},
    {"source_held_open_by_another_program", source_held_open_by_another_program},
    {"output_never_replaces_its_source", output_never_replaces_its_source},
    {"temporary_outputs_left_behind_are_removed", temporary_outputs_left_behind_are_removed},
    {"shell_icon_group_101", shell_icon_group_101},
    {"version_and_manifest", version_and_manifest},
};

int write_sources(const std::wstring &dir) {
  write_file(dir + L"\\pal.col", colour_file());
  write_file(dir + L"\\tiles.bmp", varied_bitmap(16, 16, 4));
  write_file(dir + L"\\sheet.cgx", character_file());
  write_file(dir + L"\\scene.scr", screen_file());
  return take_failures().empty() ? 0 : 1;
}

int run_tests(const Context &context) {
  int failed = 0;
  for (const TestCase &test : test_cases) {
    std::wstring directory = context.work + L"\\" + widen(test.name);
    make_directory(directory);
    test.run(context, directory);
    std::vector<std::string> failures = take_failures();
    if (failures.empty()) {
      std::printf("ok %s\n", test.name);
    } else {
      ++failed;
      for (const std::string &failure : failures)
        std::printf("FAIL %s: %s\n", test.name, failure.c_str());
    }
    std::fflush(stdout);
  }
  return failed == 0 ? 0 : 1;
}

// The two pictures of the user's view: the waiting window, and the box after a drop.
int save_pictures(const Context &context, const std::wstring &out) {
  write_file(context.work + L"\\title.col", colour_file());
  Started started = start_program(context.program, quoted(context.program), L"");
  if (!started.ok)
    return 1;
  bool saved = false;
  HWND window = wait_for_window(started.process.dwProcessId, L"Doruved", 30000);
  if (window) {
    Sleep(1500);
    saved = save_window_picture(window, out + L"\\window.bmp");
    drop_files(window, started.process, {context.work + L"\\title.col"});
    HWND box = wait_for_window(started.process.dwProcessId, L"#32770", 30000);
    if (box) {
      Sleep(1500);
      saved = save_window_picture(box, out + L"\\message.bmp") && saved;
      PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    } else {
      saved = false;
    }
    wait_for_exit(started.process);
  }
  end_process(started.process);
  return saved && take_failures().empty() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
  if (argc == 3 && std::strcmp(argv[1], "sources") == 0)
    return write_sources(widen(argv[2]));
  if (argc == 5 && std::strcmp(argv[1], "run") == 0)
    return run_tests({widen(argv[2]), widen(argv[3]), widen(argv[4])});
  if (argc == 5 && std::strcmp(argv[1], "pictures") == 0)
    return save_pictures({widen(argv[2]), widen(argv[3]), L""}, widen(argv[4]));
  std::fprintf(stderr, "usage: morvane_win32_test sources DIR | run PROGRAM WORK EXPECTED | "
                       "pictures PROGRAM WORK OUT\n");
  return 2;
}
