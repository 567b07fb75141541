# The Windows programs: static executables, 32-bit for users (64-bit for the tests where no
# 32-bit program can start), with their icon, version and manifest, needing no DLL beyond the
# system's own.
enable_language(RC)

# The outcome texts are held as code page 932 bytes, whatever the source file's encoding.
set_source_files_properties(app/messages.cpp PROPERTIES COMPILE_OPTIONS -fexec-charset=CP932)

find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(morvane_icon ${CMAKE_CURRENT_BINARY_DIR}/morvane.ico)
add_custom_command(OUTPUT ${morvane_icon}
  COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/app/make_icon.py ${morvane_icon}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/app/make_icon.py
  COMMENT "Drawing the program icon")
add_custom_target(morvane_icon DEPENDS ${morvane_icon})
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/morvane_version.h CONTENT
  "#define MORVANE_VERSION_NUMBERS @PROJECT_VERSION_MAJOR@,@PROJECT_VERSION_MINOR@,@PROJECT_VERSION_PATCH@,0
#define MORVANE_VERSION_TEXT \"@PROJECT_VERSION@\"
" @ONLY)
set_source_files_properties(app/morvane.rc PROPERTIES
  OBJECT_DEPENDS "${morvane_icon};${CMAKE_CURRENT_SOURCE_DIR}/app/morvane.manifest")

# The window program, and its console companion for builds (make under MSYS2, scripts), the
# command-line program built for Windows.
add_executable(morvane WIN32 app/main_win32.cpp app/morvane.rc)
add_executable(morvane-cli app/main_cli.cpp platform/command_line_win32.cpp app/morvane.rc)
target_compile_definitions(morvane-cli PRIVATE MORVANE_CONSOLE_PROGRAM
                           $<$<COMPILE_LANGUAGE:CXX>:MORVANE_VERSION="${PROJECT_VERSION}">)
add_picture_option(morvane-cli)
foreach(program morvane morvane-cli)
  add_dependencies(${program} morvane_icon)
  # The resource compiler finds the icon and the version beside each other, the manifest beside
  # the .rc.
  target_include_directories(${program} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}
                                                ${CMAKE_CURRENT_SOURCE_DIR}/app)
  target_link_libraries(${program} PRIVATE morvane_core shell32)
  target_link_options(${program} PRIVATE -static -static-libgcc -static-libstdc++)
  # A release program carries no symbol table: it would triple the size of a small program.
  target_link_options(${program} PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s>)
endforeach()

option(MORVANE_WIN32_TESTS "Build the programs that test morvane.exe under Wine" OFF)
if(MORVANE_WIN32_TESTS)
  add_subdirectory(tests/win32)
endif()
