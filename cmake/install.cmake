# What `cmake --install` puts where, and the Debian package made of it
# (`cpack -G DEB` in the build folder; scripts/package.sh does both).

find_program(OSTRAND_GZIP gzip REQUIRED)
string(TIMESTAMP OSTRAND_DATE "%Y-%m-%d")
set(OSTRAND_VERSION ${PROJECT_VERSION})
set(manpages "")
foreach(page ostrand ostrand-cli)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/${page}.1 ${CMAKE_BINARY_DIR}/man/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.1.gz
    COMMAND ${OSTRAND_GZIP} -9nf -k ${CMAKE_BINARY_DIR}/man/${page}.1
    DEPENDS ${CMAKE_BINARY_DIR}/man/${page}.1)
  list(APPEND manpages ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
endforeach()
add_custom_target(ostrand_manpages ALL DEPENDS ${manpages})

install(TARGETS ostrand ostrand-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/config ${CMAKE_SOURCE_DIR}/examples/settings
  DESTINATION ${CMAKE_INSTALL_DATADIR}/ostrand/examples)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/ostrand.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/ostrand.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${manpages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
set(docdir ${CMAKE_INSTALL_DATADIR}/doc/ostrand)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${docdir})
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog ${CMAKE_BINARY_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
  COMMAND ${OSTRAND_GZIP} -9nf -k ${CMAKE_BINARY_DIR}/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/changelog)
add_custom_target(ostrand_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${docdir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ostrand)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_CONTACT "Ostrand developers <ostrand@velmora.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration export and reports for OIK engineers")
set(CPACK_PACKAGE_DESCRIPTION
  "Ostrand turns the node properties of a TM server's configuration (an\n"
  "operational information complex, a SCADA dispatching installation) into\n"
  "a table, shows it in a grid, saves it as text, spreadsheet or HTML, and\n"
  "prints reports from it with its own banded report engine and designer.\n"
  "ostrand-cli does the same for scripts.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Found by no library link: the platform plugins that open windows (and the
# offscreen one), the fonts that stand in for report fonts, Qt's own Russian texts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
