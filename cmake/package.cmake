# Installing and packaging: the command line as a .deb (program and manual page), the Windows
# program as a .zip with the README.
include(GNUInstallDirs)
if(WIN32)
  install(TARGETS morvane RUNTIME DESTINATION .)
  install(FILES README.md DESTINATION .)
  set(CPACK_GENERATOR ZIP)
else()
  install(TARGETS morvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  configure_file(docs/morvane.1.in ${CMAKE_CURRENT_BINARY_DIR}/morvane.1 @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/morvane.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  include(integration/install.cmake)
  set(CPACK_GENERATOR DEB)
endif()

set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns Game Boy Advance graphics files into C source")
set(CPACK_PACKAGE_CONTACT "Morvane maintainers <maintainers@users.noreply.c-seed-2c114076.example>")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# The C++ runtime is linked in statically, so the C library is what it depends on.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
