# cmake --install and cpack -G DEB: the program, its man page, its bash
# completion and the README, where a Debian system keeps them.
include(GNUInstallDirs)

# Debian wants the man page and the changelog compressed, reproducibly (-n).
find_program(KLVC_GZIP gzip REQUIRED)
configure_file(doc/changelog.in doc/changelog @ONLY)
set(klvc_gz_docs)
foreach(doc ${CMAKE_SOURCE_DIR}/doc/klvc.1 ${CMAKE_BINARY_DIR}/doc/changelog)
  get_filename_component(name ${doc} NAME)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/${name}.gz
                     COMMAND ${KLVC_GZIP} -9nc ${doc} > ${CMAKE_BINARY_DIR}/doc/${name}.gz
                     DEPENDS ${doc} VERBATIM)
  list(APPEND klvc_gz_docs ${CMAKE_BINARY_DIR}/doc/${name}.gz)
endforeach()
add_custom_target(klvc_docs ALL DEPENDS ${klvc_gz_docs})

install(TARGETS klvc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/doc/klvc.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES doc/klvc.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME klvc)
install(FILES README.md doc/copyright ${CMAKE_BINARY_DIR}/doc/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME klvc)
set(CPACK_PACKAGE_VENDOR "KLVC maintainers")
set(CPACK_PACKAGE_CONTACT "KLVC maintainers <maintainers@users.noreply.c-seed-cd1fed44.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The synopsis line is the summary above; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A terminal screen and a command line that set up the KLV-A to KLV-E video
matrix switchers over RS-232C or RS-485: routes, channel titles, overlays,
the auto sequence, alarms, panel locks and the clock. Settings files can be
sent to one switcher or a fleet, through local serial ports or serial device
servers, and converted to and from an editable text. A simulated switcher
is built in.")
include(CPack)
