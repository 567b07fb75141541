# morvane_add_graphics(TARGET SOURCE...): a static library of the arrays morvane makes from GBA
# graphics sources (.bmp, .cgx, .scr, .col), compiled by the calling project's C compiler. Each
# source is converted in the build tree into NAME.c, and the library's include path gets NAME.h,
# which declares NAME.c's arrays, 4-byte aligned and with their element counts, for C and C++.
function(morvane_add_graphics target)
  get_property(languages GLOBAL PROPERTY ENABLED_LANGUAGES)
  if(NOT "C" IN_LIST languages)
    message(FATAL_ERROR "morvane_add_graphics(${target}): the arrays are compiled as C; "
                        "enable it with project(... C) or enable_language(C)")
  endif()
  set(dir "${CMAKE_CURRENT_BINARY_DIR}/${target}")
  set(names "")
  set(files "")
  foreach(source IN LISTS ARGN)
    cmake_path(ABSOLUTE_PATH source NORMALIZE OUTPUT_VARIABLE path)
    cmake_path(GET path FILENAME file)
    cmake_path(GET path EXTENSION LAST_ONLY extension)
    string(TOLOWER "${extension}" extension)
    if(NOT extension MATCHES "^\\.(bmp|cgx|scr|col)$")
      message(FATAL_ERROR "morvane_add_graphics(${target}): ${source} is not a .bmp, .cgx, "
                          ".scr or .col file")
    endif()
    # The program names its output after the file's name up to the first '.'.
    string(FIND "${file}" "." dot)
    string(SUBSTRING "${file}" 0 ${dot} name)
    list(FIND names "${name}" earlier)
    if(NOT earlier EQUAL -1)
      list(GET ARGN ${earlier} earlier_source)
      message(FATAL_ERROR "morvane_add_graphics(${target}): ${earlier_source} and ${source} "
                          "would both become ${name}.c; rename one of them")
    endif()
    list(APPEND names "${name}")

    add_custom_command(
      OUTPUT "${dir}/${name}.c" "${dir}/${name}.h" "${dir}/${name}.aligned.c"
      COMMAND "${CMAKE_COMMAND}" "-DMORVANE=$<TARGET_FILE:morvane::morvane>" "-DSOURCE=${path}"
              "-DDIR=${dir}" "-DNAME=${name}"
              -P "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/morvane_convert.cmake"
      DEPENDS "${path}" "$<TARGET_FILE:morvane::morvane>"
              "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/morvane_convert.cmake"
      COMMENT "Converting ${source} with morvane"
      VERBATIM)
    list(APPEND files "${dir}/${name}.aligned.c" "${dir}/${name}.h")
  endforeach()
  add_library(${target} STATIC ${files})
  target_include_directories(${target} PUBLIC "${dir}")
endfunction()
