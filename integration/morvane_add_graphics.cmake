# morvane_add_graphics(TARGET SOURCE...): a static library of the arrays morvane makes from GBA
# graphics sources (.bmp, .cgx, .scr, .col), assembled by the calling project's toolchain (the
# project enables ASM: project(... ASM)). One `morvane --build` run converts the sources into the
# build tree, one unit places all their arrays, 4-byte aligned, and the library's include path
# gets NAME.h for each, which declares its arrays with their element counts for C and C++.
function(morvane_add_graphics target)
  get_property(languages GLOBAL PROPERTY ENABLED_LANGUAGES)
  if(NOT "ASM" IN_LIST languages)
    message(FATAL_ERROR "morvane_add_graphics(${target}): the arrays are assembled; "
                        "enable ASM with project(... ASM) or enable_language(ASM)")
  endif()
  set(dir "${CMAKE_CURRENT_BINARY_DIR}/${target}")
  set(names "")
  set(sources "")
  set(given "")
  set(unit "")
  foreach(source IN LISTS ARGN)
    cmake_path(ABSOLUTE_PATH source NORMALIZE OUTPUT_VARIABLE path)
    cmake_path(GET path FILENAME file)
    cmake_path(GET path EXTENSION LAST_ONLY extension)
    string(TOLOWER "${extension}" extension)
    if(NOT extension MATCHES "^\\.(bmp|cgx|scr|col)$")
      message(FATAL_ERROR "morvane_add_graphics(${target}): ${source} is not a .bmp, .cgx, "
                          ".scr or .col file")
    endif()
    # The program names its files after the file's name up to the first '.'.
    string(FIND "${file}" "." dot)
    string(SUBSTRING "${file}" 0 ${dot} name)
    list(FIND names "${name}" earlier)
    if(NOT earlier EQUAL -1)
      list(GET ARGN ${earlier} earlier_source)
      message(FATAL_ERROR "morvane_add_graphics(${target}): ${earlier_source} and ${source} "
                          "would both become ${name}.h; rename one of them")
    endif()
    list(APPEND names "${name}")
    list(APPEND sources "${path}")
    # The program is given the path from the source folder when the file is inside it, so that
    # a failure names the file as the project does.
    cmake_path(IS_PREFIX CMAKE_CURRENT_SOURCE_DIR "${path}" NORMALIZE inside)
    if(inside)
      cmake_path(RELATIVE_PATH path BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}")
    endif()
    list(APPEND given "${path}")
    string(APPEND unit "\t.include \"${name}.s\"\n")
  endforeach()

  # A source gone from the list takes its files with it, so no stale header can be included.
  file(MAKE_DIRECTORY "${dir}")
  set(listed "")
  if(EXISTS "${dir}/morvane.list")
    file(STRINGS "${dir}/morvane.list" listed)
  endif()
  foreach(name IN LISTS listed)
    if(NOT name IN_LIST names)
      file(REMOVE "${dir}/${name}.bin" "${dir}/${name}.s" "${dir}/${name}.h")
    endif()
  endforeach()
  string(REPLACE ";" "\n" list "${names}")
  file(CONFIGURE OUTPUT "${dir}/morvane.list" CONTENT "${list}\n" @ONLY)
  file(CONFIGURE OUTPUT "${dir}/morvane.all.s" CONTENT "${unit}" @ONLY)

  # NAME.h is rewritten only when its text changes, and the generators
  # read its time again, so a pixel edit recompiles nothing.
  list(TRANSFORM names PREPEND "${dir}/" OUTPUT_VARIABLE outputs)
  list(TRANSFORM outputs APPEND ".h" OUTPUT_VARIABLE headers)
  list(TRANSFORM outputs APPEND ".bin" OUTPUT_VARIABLE values)
  list(TRANSFORM outputs APPEND ".s" OUTPUT_VARIABLE placings)
  add_custom_command(
    OUTPUT "${dir}/morvane.stamp"
    BYPRODUCTS ${headers} ${values} ${placings}
    COMMAND "$<TARGET_FILE:morvane::morvane>" --build "${dir}" ${given}
    COMMAND "${CMAKE_COMMAND}" -E touch "${dir}/morvane.stamp"
    DEPENDS ${sources} "$<TARGET_FILE:morvane::morvane>" "${CMAKE_CURRENT_FUNCTION_LIST_FILE}"
    WORKING_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}"
    COMMENT "Converting the graphics of ${target} with morvane"
    VERBATIM)
  add_library(${target} STATIC "${dir}/morvane.all.s" ${headers})
  set_source_files_properties("${dir}/morvane.all.s" PROPERTIES
    OBJECT_DEPENDS "${dir}/morvane.stamp")
  target_include_directories(${target} PUBLIC "${dir}")
endfunction()
