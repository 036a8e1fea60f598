# The Debian package (scripts/package runs cpack -G DEB): the program, tesselby-query, the
# desktop entry, the icons, the manual pages, the Oracle set-up, and the copyright file and changelog that every
# Debian package carries, with the Debian packages they need.

set(_package tesselby)
set(_package_docdir "${CMAKE_INSTALL_DATAROOTDIR}/doc/${_package}")

# The changelog's newest entry names the version that dpkg will show; a release that bumps the
# project's version without a changelog entry would ship a package that contradicts itself.
file(STRINGS "${PROJECT_SOURCE_DIR}/packaging/changelog" _changelog_head LIMIT_COUNT 1
     REGEX "^${_package} \\(")
string(REGEX REPLACE "^${_package} \\(([^)]*)\\).*" "\\1" _changelog_version "${_changelog_head}")
if(NOT _changelog_version STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "The newest entry of packaging/changelog is for version "
                      "\"${_changelog_version}\", the project's version is ${PROJECT_VERSION}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/packaging/changelog")

# Debian wants manual pages and changelogs compressed with gzip -9; -n leaves out the name and
# time stamp so that two builds give the same bytes.
find_program(GZIP_PROGRAM gzip REQUIRED)
function(tesselby_gzipped source output)
  add_custom_command(OUTPUT "${output}"
    COMMAND "${GZIP_PROGRAM}" -9 -n -c "${source}" > "${output}"
    DEPENDS "${source}"
    VERBATIM)
endfunction()

set(_gzipped)
foreach(_page tesselby tesselby-query)
  set(_man_page "${PROJECT_BINARY_DIR}/${_page}.1.gz")
  tesselby_gzipped("${PROJECT_SOURCE_DIR}/docs/${_page}.1" "${_man_page}")
  install(FILES "${_man_page}" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  list(APPEND _gzipped "${_man_page}")
endforeach()
# A native package (its version has no Debian revision) names it changelog.gz.
set(_changelog "${PROJECT_BINARY_DIR}/changelog.gz")
tesselby_gzipped("${PROJECT_SOURCE_DIR}/packaging/changelog" "${_changelog}")
list(APPEND _gzipped "${_changelog}")
add_custom_target(man_page ALL DEPENDS ${_gzipped})
install(FILES "${_changelog}" "${PROJECT_SOURCE_DIR}/packaging/copyright" DESTINATION ${_package_docdir})
# The set-up that a real Oracle needs and its "check it works" recipe travel with the program.
install(FILES "${PROJECT_SOURCE_DIR}/docs/oracle-setup.md" DESTINATION ${_package_docdir})

# The subfolders have installed and stripped the programs by now. strip keeps the compiler's
# version notes (.comment); Debian's own packaging tools drop them too.
foreach(_program tesselby tesselby-query)
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${_program}\"
        COMMAND_ERROR_IS_FATAL ANY)
    endif()")
endforeach()

set(CPACK_PACKAGE_NAME ${_package})
set(CPACK_PACKAGE_VENDOR "Quenmark")
set(CPACK_PACKAGE_CONTACT "Team Quenmark <support@quenmark.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copy whole tables between Oracle and Visual FoxPro data")
# dpkg shows these lines as they are; Debian keeps them within 80 columns.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Tesselby copies tables between an Oracle database (through unixODBC) and\n"
  "Visual FoxPro data (a .dbc container or a folder of .dbf tables), in both\n"
  "directions, and lists, deletes and renames tables on either side: in two\n"
  "windows, or one command at a time from the command line, with progress, a\n"
  "summary and verification of every value.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quenmark.example/tesselby")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # tesselby_<version>_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION database)
# The dependencies come from dpkg-shlibdeps. Among them is libqt6gui6, which also holds the
# platform plugins that nothing links: xcb for the windows, offscreen for the commands.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# odbcinst registers the Oracle driver; the Oracle driver itself is Oracle's own download.
# QtKeychain (a dependency through dpkg-shlibdeps) loads libsecret when it runs, to keep the
# password in the desktop's keyring.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "unixodbc, fonts-liberation, libsecret-1-0")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gnome-keyring | kwalletmanager")
# Control files get the modes dpkg-deb would give them, whatever the umask of the build.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Folders too: 0755, even when the umask of the build would make them group-writable.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_GENERATOR DEB)
include(CPack)
