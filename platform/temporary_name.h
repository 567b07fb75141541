// What both systems' temporary outputs are called, so that one left behind is known again.
#pragma once

// A temporary output's name is a prefix, the number of the process that writes it, '-', the
// attempt that made the name new (below TemporaryAttempts) and a suffix; both numbers decimal,
// without a leading zero.
constexpr unsigned TemporaryAttempts = 100;

// The process that name says wrote it, when name is of that form exactly and the process's
// number is 1 to highest; 0 for any other name.
unsigned long long writer_of_temporary(const char *name, const char *prefix, const char *suffix,
                                       unsigned long long highest);
