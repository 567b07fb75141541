# What both Windows toolchain files share; each sets MORVANE_MINGW_PREFIX and
# CMAKE_SYSTEM_PROCESSOR, then includes this.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${MORVANE_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${MORVANE_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${MORVANE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MORVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Every x86 processor Windows still runs on has SSE2. The tile row formatter
# (convert/common/hex_row.h) is right without it, but only with it does the 32-bit build format
# in vector registers rather than emulate them (a 64-bit processor always has them).
set(CMAKE_C_FLAGS_INIT -msse2)
set(CMAKE_CXX_FLAGS_INIT -msse2)
