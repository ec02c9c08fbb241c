# The installed layout (cmake --install) and the Debian package (cpack).
set(PELKO_HOMEPAGE_URL "https://confpelko.example" CACHE STRING
    "Where the program's page and its screenshot are published")
# The desktop entry's and AppStream's name: the home page's domain reversed.
set(PELKO_APP_ID example.confpelko.ConfPelkoQ250)
set(PELKO_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/confpelko)

install(TARGETS pelkoctl pelko-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages and the package's changelog, compressed as Debian keeps them.
set(_pelko_gz)
foreach(page confpelko.1 pelkoctl.1 pelko-sim.1 changelog)
  set(_src ${PROJECT_SOURCE_DIR}/data/${page})
  if(page MATCHES "\\.1$")
    set(_src ${PROJECT_SOURCE_DIR}/data/man/${page})
  endif()
  configure_file(${_src} ${CMAKE_BINARY_DIR}/data/${page} @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/data/${page}.gz
    COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/data/${page} > ${CMAKE_BINARY_DIR}/data/${page}.gz
    DEPENDS ${CMAKE_BINARY_DIR}/data/${page} VERBATIM)
  list(APPEND _pelko_gz ${CMAKE_BINARY_DIR}/data/${page}.gz)
endforeach()
add_custom_target(pelko_docs ALL DEPENDS ${_pelko_gz})
install(FILES ${CMAKE_BINARY_DIR}/data/pelkoctl.1.gz ${CMAKE_BINARY_DIR}/data/pelko-sim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/data/changelog.gz DESTINATION ${PELKO_DOC_DIR})
install(FILES data/copyright DESTINATION ${PELKO_DOC_DIR})

if(PELKO_BUILD_GUI)
  install(TARGETS confpelko RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_BINARY_DIR}/data/confpelko.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES data/${PELKO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES src/ui/resources/confpelko.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  configure_file(data/${PELKO_APP_ID}.metainfo.xml ${CMAKE_BINARY_DIR}/data/${PELKO_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/data/${PELKO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES src/ui/resources/help.html DESTINATION ${PELKO_DOC_DIR})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME confpelko)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "ConfPelko maintainers <maintainers@confpelko.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure card-reader controllers on an RS-485 line")
set(CPACK_PACKAGE_DESCRIPTION "ConfPelkoQ250 finds Pelko-Q250 access-control controllers on an
RS-485 line, reads and writes their card memory, edits card lists,
parameters, passwords, addresses and line speed, and keeps the whole
working set in one configuration file. The package holds the window
confpelko, the command-line tool pelkoctl and the simulated line
pelko-sim.
.
Serial ports are open to members of the dialout group only: add the
user with 'usermod -aG dialout USER' and log in again.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PELKO_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so no linker dependency names them: the SVG icons, the
# X11/Wayland window system plugins and Qt's own texts in Russian.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-qpa-plugins, qt6-translations-l10n")
# Help and the about box's link hand help.html to the desktop's URL launcher.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
