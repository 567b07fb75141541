// Preparing a converter's output file and putting it in place once it is complete.
#pragma once

#include "convert/common/conversion.h"
#include "convert/common/text_writer.h"
#include "platform/platform.h"

// The output is written to a temporary file beside its final name and replaces that name only
// when it is complete, so a failed conversion never leaves a user's earlier output damaged, and
// an interrupted one leaves nothing behind.
struct OutputFile {
  TextWriter text;
  char temporary_name[PathCapacity];
  char final_name[PathCapacity];
  FileIdentity source; // which the output must never replace
  char source_name[PathCapacity]; // the source's own file name
};

// While true, conversions write the build form in place of NAME.c: into the build directory
// (keep_build_directory), the arrays' elements as bytes in NAME.bin, with NAME.s, which places
// them for the GNU assembler, and NAME.h, which declares them (see build_files.h).
extern bool BuildForm;

// Turns SourcePath into the base name (the file's own name cut at its first '.') made fit to
// begin C identifiers, makes the source's directory (the build directory for the build form) the
// working directory and opens the output for writing; the output's own name keeps the base name
// as it is. source is the identity the source had while it was open. ResultSuccess when it is
// open; ResultReadFailed, with nothing created, when any step fails.
ConversionOutcome prepare_output(OutputFile &output, const FileIdentity &source);

// Closes the output and puts it in place as the base name followed by ".c" (the build form's
// files for the build form), replacing any file of that name but the source itself.
// ResultSuccess when it is there; otherwise ResultReadFailed, with the temporary file removed and
// any earlier output untouched.
ConversionOutcome finish_output(OutputFile &output);

// Gives the output up: the temporary file is removed and nothing is replaced.
void abandon_output(OutputFile &output);

// A converter's output from its source, which must be closed by now (so that a refused source
// leaves no file behind): prepares it, writes its text with write(text), and finishes it, or
// abandons it when write returns why the text is not to be output.
template <typename Write>
ConversionOutcome write_output(const FileIdentity &source, Write write) {
  OutputFile output;
  ConversionOutcome outcome = prepare_output(output, source);
  if (outcome.result != ResultSuccess)
    return outcome;
  outcome = write(output.text);
  if (outcome.result != ResultSuccess) {
    abandon_output(output);
    return outcome;
  }
  return finish_output(output);
}
