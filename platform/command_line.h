// The command-line program's side of the seam: its arguments as the system gives them, the path
// each one names, and its lines on standard output and standard error.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// The program's arguments as the text the calls below take, *count of them: argv itself where
// the system passes them as bytes; on Windows UTF-8, read again from the UTF-16 command line, as
// argv is in the system's code page and may have lost characters.
char **command_line_arguments(int *count, char **argv);

// The path argument names, in the program's narrow text: argument itself, or on Windows its
// code page 932 form, made in buffer (capacity bytes with the NUL) while the system's own form is
// kept for the file operations. nullptr when that form does not fit.
const char *argument_path(const char *argument, char *buffer, std::size_t capacity);

// Appends text, the program's narrow text (an outcome text, a reason), to line in the arguments'
// text: UTF-8 on Windows, where the narrow text is code page 932; unchanged elsewhere.
void append_narrow_text(std::string &line, const char *text);

// Writes line, in the arguments' text, to stream (stdout or stderr) in one piece, so that lines
// of programs running side by side never mix. On Windows a console gets it as UTF-16, which
// shows right whatever the console's code page; a pipe or a file gets UTF-8.
void write_line(std::FILE *stream, const std::string &line);
