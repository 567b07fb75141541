// The pieces of generated text that more than one converter writes: the array declaration's
// head, the breaks between entries, and a palette entry.
#pragma once

#include "convert/common/text_writer.h"

// "const u16 BASE_SUFFIX[COUNT", where an array of count elements begins: the rest of the line
// follows.
void write_declaration_head(TextWriter &text, const char *base_name, const char *suffix,
                            long long count);

// How an array written four entries to a line numbers its groups of size entries: a comment line
// "OPEN LABEL NUMBERED N CLOSE" before each, N counting from 0.
struct EntryGroups {
  int size;
  std::string_view open, label, numbered, close;
};

// What goes before entry index: the end of the line before, and the comment of a group it
// begins.
void write_entry_break(TextWriter &text, int index, const EntryGroups &groups);

// Writes entry index of count as "RGB(r,g,b)" from 5-bit components, in its place in the array:
// four to a line, a numbered group comment before every sixteenth, a comma after all but the
// last.
void write_palette_entry(TextWriter &text, int index, int count, unsigned red, unsigned green,
                         unsigned blue);
