# Installs what a GBA build uses morvane through: the CMake package (find_package(morvane) from
# the install prefix gives morvane_add_graphics) and the make fragment. On Windows they go into
# the .zip's folder beside the programs, the package in cmake\ (where find_package looks under a
# prefix there), and run morvane-cli.exe.
include(CMakePackageConfigHelpers)
if(WIN32)
  set(morvane_package_dir cmake)
  set(morvane_program_dir .)
  set(morvane_program morvane-cli.exe)
  set(morvane_fragment_dir .)
else()
  set(morvane_package_dir lib/cmake/morvane)
  set(morvane_program_dir ${CMAKE_INSTALL_BINDIR})
  set(morvane_program morvane)
  set(morvane_fragment_dir ${CMAKE_INSTALL_DATADIR}/morvane)
endif()
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/morvaneConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/morvaneConfig.cmake
  INSTALL_DESTINATION ${morvane_package_dir} PATH_VARS morvane_program_dir)
# The package is a program for the build machine: a GBA project's 32-bit toolchain must find it.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/morvaneConfigVersion.cmake
  COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/morvaneConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/morvaneConfigVersion.cmake
  ${CMAKE_CURRENT_LIST_DIR}/morvane_add_graphics.cmake
  DESTINATION ${morvane_package_dir})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/morvane.mk DESTINATION ${morvane_fragment_dir})
