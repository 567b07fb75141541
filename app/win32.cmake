# The Windows program: a static 32-bit GUI executable with the shell icon, needing no DLL beyond
# the system's own.

# The outcome texts are held as code page 932 bytes, whatever the source file's encoding.
set_source_files_properties(app/messages.cpp PROPERTIES COMPILE_OPTIONS -fexec-charset=CP932)

find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(MORVANE_WINDRES NAMES ${CMAKE_RC_COMPILER} i686-w64-mingw32-windres windres REQUIRED)

set(morvane_icon ${CMAKE_CURRENT_BINARY_DIR}/morvane.ico)
set(morvane_resources ${CMAKE_CURRENT_BINARY_DIR}/morvane_rc.o)
add_custom_command(OUTPUT ${morvane_icon}
  COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/app/make_icon.py ${morvane_icon}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/app/make_icon.py
  COMMENT "Drawing the program icon")
add_custom_command(OUTPUT ${morvane_resources}
  COMMAND ${MORVANE_WINDRES} --target=pe-i386 -I ${CMAKE_CURRENT_BINARY_DIR}
          -i ${CMAKE_CURRENT_SOURCE_DIR}/app/morvane.rc -o ${morvane_resources}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/app/morvane.rc ${morvane_icon}
  COMMENT "Compiling the program resources")

add_executable(morvane WIN32 app/main_win32.cpp ${morvane_resources})
target_link_libraries(morvane PRIVATE morvane_core shell32)
target_link_options(morvane PRIVATE -static -static-libgcc -static-libstdc++)
# A release program carries no symbol table: it would triple the size of a small program.
target_link_options(morvane PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s>)

option(MORVANE_WIN32_TESTS "Build the programs that test morvane.exe under Wine" OFF)
if(MORVANE_WIN32_TESTS)
  add_subdirectory(tests/win32)
endif()
