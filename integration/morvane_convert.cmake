# Converts one graphics source for morvane_add_graphics, as its build step:
#   cmake -DMORVANE=PROGRAM -DSOURCE=PATH -DDIR=FOLDER -DNAME=BASE -P morvane_convert.cmake
# Writes into FOLDER a copy of the source, the program's BASE.c (byte for byte as it writes it),
# BASE.h declaring its arrays, and BASE.aligned.c, the unit that compiles BASE.c.

# Without this, a failed conversion would leave an earlier header that looks up to date.
file(REMOVE "${DIR}/${NAME}.h")

# The program writes BASE.c beside the file it converts: beside a copy, never beside the source.
cmake_path(GET SOURCE FILENAME file)
file(MAKE_DIRECTORY "${DIR}")
file(COPY_FILE "${SOURCE}" "${DIR}/${file}")

# Its exit status is 0 whatever happens: only a conversion that succeeded prints on standard
# output. A failure's line goes to standard error, which is left to reach the user.
execute_process(COMMAND "${MORVANE}" "${DIR}/${file}" OUTPUT_VARIABLE line)
if(line STREQUAL "")
  message(FATAL_ERROR "morvane did not convert ${SOURCE}")
endif()

# Every array of the output is declared on a line of its own: "const u16 NAME[COUNT]=" or with
# a blank before "=". The counts are taken from there, so the header and the definitions agree
# whatever the picture's size (and the compiler checks that they do). Read as UTF-8, a name beyond
# ASCII stays whole; the Shift-JIS comment labels are no UTF-8 and only cut their own lines.
file(STRINGS "${DIR}/${NAME}.c" definitions ENCODING UTF-8 REGEX "^const u16 [^[]+\\[[0-9]+\\] ?=")
set(declarations "")
foreach(definition IN LISTS definitions)
  string(REGEX REPLACE "^const u16 ([^[]+\\[[0-9]+\\]).*" "\\1" array "${definition}")
  string(APPEND declarations
         "extern const unsigned short ${array} __attribute__((aligned(4)));\n")
endforeach()
if(declarations STREQUAL "")
  message(FATAL_ERROR "${DIR}/${NAME}.c declares no array")
endif()

file(WRITE "${DIR}/${NAME}.h" "\
// The arrays morvane made from ${file}, for C and C++; they are defined in ${NAME}.c.
#pragma once
#ifdef __cplusplus
extern \"C\" {
#endif
${declarations}\
#ifdef __cplusplus
}
#endif
")

# The output names its element type only in a comment; the declarations before it give each
# array its 4-byte alignment (GCC keeps the attributes of an earlier declaration), which 32-bit
# copies of tiles and palettes need; its colour macro stays inside this unit.
file(WRITE "${DIR}/${NAME}.aligned.c" "\
// Compiles ${NAME}.c as morvane wrote it, with 4-byte aligned arrays.
typedef unsigned short u16;
#include \"${NAME}.h\"
#include \"${NAME}.c\"
#undef RGB
")
