// The build form of a conversion, for a GBA build: the arrays' elements as bytes in NAME.bin, the
// assembler file NAME.s that places each array from them under its own name, and the header
// NAME.h that declares them for C and C++; the two texts are made from the arrays the values sink
// has just written.
#pragma once

#include <string>

#include "convert/common/output.h"

constexpr char BuildValuesSuffix[] = ".bin";

// The names the texts hold, in UTF-8: the source's own file name, the base name the three files
// are named by, and each array's.
struct BuildNames {
  std::string source_name;
  std::string base_name;
  std::string array_names[MostArrays];
};

// NAME.s: each array in a read-only section of its own, 4-byte aligned, global, an object of its
// size, its bytes taken from NAME.bin (found through the assembler's -I).
std::string assembly_text(const BuildNames &names, const TextWriter &values);

// NAME.h: each array declared with its element count and its 4-byte alignment.
std::string header_text(const BuildNames &names, const TextWriter &values);

// Puts the build form in place once the values sink has written output's elements: NAME.s and
// NAME.h, each only where its text is not there already (so what includes an unchanged header
// is not rebuilt), then NAME.bin, last, so that a NAME.bin newer than its source tells of a
// whole set. ResultSuccess when they are there; otherwise ResultReadFailed, nothing written
// when any file could not be, and NAME.bin left as it was.
ConversionOutcome finish_build_files(OutputFile &output);
