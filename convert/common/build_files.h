// The build form of a conversion, for a GBA build: the arrays' elements as bytes in NAME.bin, the
// assembler file NAME.s that places each array from them under its own name, and the header
// NAME.h that declares them for C and C++; the two texts are made from the arrays the values sink
// has just written.
#pragma once

#include "convert/common/output.h"

constexpr char BuildValuesSuffix[] = ".bin";

// Puts the build form in place once the values sink has written output's elements: NAME.s and
// NAME.h, each only where its text is not there already (so what includes an unchanged header
// is not rebuilt), then NAME.bin, last, so that a NAME.bin newer than its source tells of a
// whole set. ResultSuccess when they are there; otherwise ResultReadFailed with NAME.bin as it
// was, and NAME.s and NAME.h too unless one of them could not take its name once all three were
// written.
ConversionOutcome finish_build_files(OutputFile &output);
