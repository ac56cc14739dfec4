# Installing and packaging. `cmake --install` puts the programs in bin/; the templates, the model
# list, the example networks and the user guide in share/skelvane/ (an installed program looks
# there, beside its bin/ folder); the desktop entry, the icon and the manual pages where desktops
# and man look for them. scripts/package turns the same install into a Debian package.

set(SKELVANE_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(SKELVANE_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/skelvane)
set(SKELVANE_DOC_DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/skelvane)
set(SKELVANE_PACKAGE_MAINTAINER
    "Skelvane developers <maintainers@users.noreply.c-seed-813ff090.example>"
    CACHE STRING "Name and address of the package's maintainer")
set(SKELVANE_PACKAGE_SUMMARY "configure networks of spread-spectrum serial radio modems")

# The programs and what their manual page calls them.
set(skelvane_programs)
set(skelvane_summary_skelvane "${SKELVANE_PACKAGE_SUMMARY}")
set(skelvane_summary_skelvane-cli "${SKELVANE_PACKAGE_SUMMARY} from the command line")
set(skelvane_summary_skelvane-sim "simulated radio network on a pseudo-terminal")
foreach(program skelvane skelvane-cli skelvane-sim)
  if(TARGET ${program})
    list(APPEND skelvane_programs ${program})
  endif()
endforeach()
install(TARGETS ${skelvane_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

file(GLOB skelvane_data_files CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/data/*.TPL ${CMAKE_SOURCE_DIR}/data/*.cfg ${CMAKE_SOURCE_DIR}/data/*.xml)
install(FILES ${skelvane_data_files} DESTINATION ${SKELVANE_DATA_DESTINATION})
# The user guide and its pictures.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${SKELVANE_DATA_DESTINATION}/docs OPTIONAL)

if(TARGET skelvane)
  install(FILES ${SKELVANE_PACKAGING_DIR}/skelvane.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${SKELVANE_PACKAGING_DIR}/skelvane.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${SKELVANE_PACKAGING_DIR}/skelvane-48.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps RENAME skelvane.png)
endif()

# Manual pages, made from the programs' own --help at build time so that they stay true.
find_program(SKELVANE_HELP2MAN help2man)
find_program(SKELVANE_GZIP gzip)
if(SKELVANE_HELP2MAN AND SKELVANE_GZIP AND NOT WIN32 AND NOT CMAKE_CROSSCOMPILING)
  set(pages)
  foreach(program IN LISTS skelvane_programs)
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1.gz)
    add_custom_command(
      OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND sh ${SKELVANE_PACKAGING_DIR}/manpage.sh $<TARGET_FILE:${program}> ${page}
              "${skelvane_summary_${program}}"
      DEPENDS ${program} ${SKELVANE_PACKAGING_DIR}/manpage.sh
      COMMENT "Manual page of ${program}"
      VERBATIM)
    list(APPEND pages ${page})
  endforeach()
  add_custom_target(skelvane_manpages ALL DEPENDS ${pages})
  install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man or gzip not found: no manual pages")
endif()

# The documents every Debian package carries, with the Debian changelog made for this version.
string(TIMESTAMP SKELVANE_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${SKELVANE_PACKAGING_DIR}/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
if(SKELVANE_GZIP)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    COMMAND ${SKELVANE_GZIP} -9nkf ${CMAKE_BINARY_DIR}/packaging/changelog
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
    VERBATIM)
  add_custom_target(skelvane_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${SKELVANE_DOC_DESTINATION})
endif()
install(FILES ${SKELVANE_PACKAGING_DIR}/copyright ${SKELVANE_PACKAGING_DIR}/README.Debian
        DESTINATION ${SKELVANE_DOC_DESTINATION})
install(FILES ${SKELVANE_PACKAGING_DIR}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME skelvane)

# The Debian package (scripts/package): its dependencies are found from the shared libraries
# the programs use; it needs no maintainer scripts.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skelvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${SKELVANE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${SKELVANE_PACKAGE_SUMMARY}")
set(CPACK_PACKAGE_DESCRIPTION
    "Skelvane configures networks of spread-spectrum serial radio modems: one
Master, any number of Repeaters and Remotes. The network is drawn as a diagram
and saved as an XML network file; over a serial port Skelvane reads and writes
the radios' registers, polls their diagnostics, edits frequency restrictions
and repeater lists, upgrades firmware and runs a spectrum scan.

The package holds the desktop program, the command-line tool skelvane-cli and
the radio simulator skelvane-sim, with which every command can be tried
without hardware.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
