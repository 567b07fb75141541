# morvane_add_graphics(TARGET SOURCE...): a static library of the arrays morvane makes from GBA
# graphics sources (.bmp, .cgx, .scr, .col), assembled by the calling project's toolchain (the
# project enables ASM: project(... ASM)). One `morvane --build` run converts the sources into the
# build tree, one unit places all their arrays, 4-byte aligned, and the library's include path
# gets NAME.h for each, which declares its arrays with their element counts for C and C++.

# Run as the build step (cmake -DMORVANE=PROGRAM -DDIR=FOLDER -P this file, from the project's
# source folder): one morvane run over the sources of DIR/morvane.list newer than the last run,
# or over all of them when the program, this file or the list is newer.
if(CMAKE_SCRIPT_MODE_FILE)
  set(stamp "${DIR}/morvane.stamp")
  file(STRINGS "${DIR}/morvane.list" sources ENCODING UTF-8)
  set(all OFF)
  foreach(file IN ITEMS "${MORVANE}" "${CMAKE_CURRENT_LIST_FILE}" "${DIR}/morvane.list")
    if(NOT EXISTS "${stamp}" OR "${file}" IS_NEWER_THAN "${stamp}")
      set(all ON)
    endif()
  endforeach()
  set(changed "")
  foreach(source IN LISTS sources)
    cmake_path(ABSOLUTE_PATH source OUTPUT_VARIABLE path)
    if(all OR "${path}" IS_NEWER_THAN "${stamp}")
      list(APPEND changed "${source}")
    endif()
  endforeach()
  # 200 paths a run at most, so that a command line fits in Windows' 32,767 characters.
  list(LENGTH changed left)
  while(left GREATER 0)
    list(SUBLIST changed 0 200 batch)
    if(left GREATER 200)
      list(SUBLIST changed 200 -1 changed)
    else()
      set(changed "")
    endif()
    list(LENGTH changed left)
    execute_process(COMMAND "${MORVANE}" --build "${DIR}" ${batch} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "morvane did not convert every source")
    endif()
  endwhile()
  file(TOUCH "${stamp}")
  return()
endif()

# The name the program gives a source's files: its file name up to the first '.'.
function(morvane_name path out)
  cmake_path(GET path FILENAME file)
  string(FIND "${file}" "." dot)
  string(SUBSTRING "${file}" 0 ${dot} name)
  set(${out} "${name}" PARENT_SCOPE)
endfunction()

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
    cmake_path(GET path EXTENSION LAST_ONLY extension)
    string(TOLOWER "${extension}" extension)
    if(NOT extension MATCHES "^\\.(bmp|cgx|scr|col)$")
      message(FATAL_ERROR "morvane_add_graphics(${target}): ${source} is not a .bmp, .cgx, "
                          ".scr or .col file")
    endif()
    morvane_name("${path}" name)
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
    file(STRINGS "${dir}/morvane.list" listed ENCODING UTF-8)
  endif()
  foreach(source IN LISTS listed)
    morvane_name("${source}" name)
    if(NOT name IN_LIST names)
      file(REMOVE "${dir}/${name}.bin" "${dir}/${name}.s" "${dir}/${name}.h")
    endif()
  endforeach()
  string(REPLACE ";" "\n" list "${given}")
  file(CONFIGURE OUTPUT "${dir}/morvane.list" CONTENT "${list}\n" @ONLY)
  file(CONFIGURE OUTPUT "${dir}/morvane.all.s" CONTENT "${unit}" @ONLY)

  # NAME.h is rewritten only when its text changes, and the generators
  # read its time again, so a pixel edit recompiles nothing. The step converts only the sources
  # that changed.
  list(TRANSFORM names PREPEND "${dir}/" OUTPUT_VARIABLE outputs)
  list(TRANSFORM outputs APPEND ".h" OUTPUT_VARIABLE headers)
  list(TRANSFORM outputs APPEND ".bin" OUTPUT_VARIABLE values)
  list(TRANSFORM outputs APPEND ".s" OUTPUT_VARIABLE placings)
  add_custom_command(
    OUTPUT "${dir}/morvane.stamp"
    BYPRODUCTS ${headers} ${values} ${placings}
    COMMAND "${CMAKE_COMMAND}" "-DMORVANE=$<TARGET_FILE:morvane::morvane>" "-DDIR=${dir}"
            -P "${CMAKE_CURRENT_FUNCTION_LIST_FILE}"
    DEPENDS ${sources} "$<TARGET_FILE:morvane::morvane>" "${CMAKE_CURRENT_FUNCTION_LIST_FILE}"
            "${dir}/morvane.list"
    WORKING_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}"
    COMMENT "Converting the graphics of ${target} with morvane"
    VERBATIM)
  add_library(${target} STATIC "${dir}/morvane.all.s" ${headers})
  set_source_files_properties("${dir}/morvane.all.s" PROPERTIES
    OBJECT_DEPENDS "${dir}/morvane.stamp")
  target_include_directories(${target} PUBLIC "${dir}")
endfunction()
