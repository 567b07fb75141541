# Installing and packaging: the command line as a .deb (program, manual page and the build
# integration), the Windows program and its console companion as a .zip (with the build
# integration too).
include(GNUInstallDirs)
if(WIN32)
  install(TARGETS morvane morvane-cli RUNTIME DESTINATION .)
  set(CPACK_GENERATOR ZIP)
else()
  install(TARGETS morvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  configure_file(docs/morvane.1.in ${CMAKE_CURRENT_BINARY_DIR}/morvane.1 @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/morvane.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  set(CPACK_GENERATOR DEB)
endif()
include(integration/install.cmake)

# The licence and the changelog go with every package: in the .deb as Debian keeps them (the
# licence as the package's copyright file, the changelog beside it, plain); in the .zip as a
# Windows user opens them, with a read-me of its own and the samples to try.
if(WIN32)
  install(FILES docs/README-windows.txt DESTINATION . RENAME README.txt)
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
  install(FILES CHANGELOG.md DESTINATION .)
  install(FILES samples/ship16.bmp samples/sunset256.bmp samples/castle_tiles.cgx
                samples/castle_map.scr samples/castle_colours.col DESTINATION samples)
else()
  install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)
  install(FILES CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns Game Boy Advance graphics files into C source")
set(CPACK_PACKAGE_CONTACT "Morvane maintainers <maintainers@users.noreply.c-seed-2c114076.example>")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# The C++ runtime is linked in statically, so the C library is what it depends on.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
