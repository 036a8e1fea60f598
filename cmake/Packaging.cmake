# The Debian package (scripts/package runs cpack -G DEB): the program, tesselby-query, the
# desktop entry, the icons and the manual page, with the Debian packages they need.

find_program(GZIP_PROGRAM gzip REQUIRED)
set(_man_page "${PROJECT_BINARY_DIR}/tesselby.1.gz")
add_custom_command(OUTPUT "${_man_page}"
  COMMAND "${GZIP_PROGRAM}" -9 -n -c "${PROJECT_SOURCE_DIR}/docs/tesselby.1" > "${_man_page}"
  DEPENDS "${PROJECT_SOURCE_DIR}/docs/tesselby.1"
  VERBATIM)
add_custom_target(man_page ALL DEPENDS "${_man_page}")
install(FILES "${_man_page}" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_PACKAGE_NAME tesselby)
set(CPACK_PACKAGE_VENDOR "Quenmark")
set(CPACK_PACKAGE_CONTACT "Team Quenmark <support@quenmark.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copy whole tables between Oracle and Visual FoxPro data")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Tesselby copies tables between an Oracle database (through unixODBC) and Visual FoxPro\n"
  "data (a .dbc container or a folder of .dbf tables), in both directions, and lists, deletes\n"
  "and renames tables on either side: in two windows, or one command at a time from the\n"
  "command line, with progress, a summary and verification of every value.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quenmark.example/tesselby")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # tesselby_<version>_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION database)
# The dependencies come from dpkg-shlibdeps. Among them is libqt6gui6, which also holds the
# platform plugins that nothing links: xcb for the windows, offscreen for the commands.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# odbcinst registers the Oracle driver; the Oracle driver itself is Oracle's own download.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "unixodbc, fonts-liberation")
set(CPACK_GENERATOR DEB)
include(CPack)
