# Installs what a GBA build uses morvane through: the CMake package (find_package(morvane) from
# the install prefix gives morvane_add_graphics) and the make fragment.
include(CMakePackageConfigHelpers)
set(morvane_package_dir lib/cmake/morvane)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/morvaneConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/morvaneConfig.cmake
  INSTALL_DESTINATION ${morvane_package_dir} PATH_VARS CMAKE_INSTALL_BINDIR)
# The package is a program for the build machine: a GBA project's 32-bit toolchain must find it.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/morvaneConfigVersion.cmake
  COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/morvaneConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/morvaneConfigVersion.cmake
  ${CMAKE_CURRENT_LIST_DIR}/morvane_add_graphics.cmake
  ${CMAKE_CURRENT_LIST_DIR}/morvane_convert.cmake
  DESTINATION ${morvane_package_dir})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/morvane.mk DESTINATION ${CMAKE_INSTALL_DATADIR}/morvane)
