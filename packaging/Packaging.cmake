# Installation and the Debian package: the program, plandor-cli and
# plandor-sim, with a desktop entry, icons, AppStream metadata, manual pages
# and the standard plans. `cpack -G DEB` in the build folder makes the package;
# `cmake --install <build> --prefix DIR` installs without it.
include(GNUInstallDirs)

set(PLANDOR_APP_ID org.plandor.Plandor)
set(PLANDOR_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

install(TARGETS plandor plandor-cli plandor-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${PLANDOR_PACKAGING_DIR}/${PLANDOR_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PLANDOR_PACKAGING_DIR}/${PLANDOR_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PLANDOR_PACKAGING_DIR}/icons/plandor.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${PLANDOR_APP_ID}.svg)
# The PNG sizes are made from the SVG by icons/make-png.sh and kept beside it.
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${PLANDOR_PACKAGING_DIR}/icons/plandor-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${PLANDOR_APP_ID}.png)
endforeach()

# The shell completion of plandor-cli's commands, options, ports and files.
install(FILES ${PLANDOR_PACKAGING_DIR}/completion/plandor-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Manual pages and the package's changelog are installed compressed, without
# a time stamp, as Debian wants them.
set(compressed)
foreach(page plandor.1 plandor-cli.1 plandor-sim.1)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/packaging/${page}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
    COMMAND gzip -9nc ${PLANDOR_PACKAGING_DIR}/man/${page} > ${out}
    DEPENDS ${PLANDOR_PACKAGING_DIR}/man/${page} VERBATIM)
  list(APPEND compressed ${out})
  install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
set(changelog ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
  COMMAND gzip -9nc ${PLANDOR_PACKAGING_DIR}/changelog > ${changelog}
  DEPENDS ${PLANDOR_PACKAGING_DIR}/changelog VERBATIM)
list(APPEND compressed ${changelog})
add_custom_target(plandor_packaging_files ALL DEPENDS ${compressed})
install(FILES ${changelog} ${PLANDOR_PACKAGING_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/plandor)

# The standard plans and the translations, when the tree has them.
if(EXISTS ${CMAKE_SOURCE_DIR}/data/plans)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/plans/ DESTINATION ${CMAKE_INSTALL_DATADIR}/plandor/plans)
endif()
file(GLOB PLANDOR_TRANSLATIONS ${CMAKE_SOURCE_DIR}/data/translations/*.qm
     ${CMAKE_BINARY_DIR}/translations/*.qm)
if(PLANDOR_TRANSLATIONS)
  install(FILES ${PLANDOR_TRANSLATIONS} DESTINATION ${CMAKE_INSTALL_DATADIR}/plandor/translations)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME plandor)
set(CPACK_PACKAGE_VENDOR "The Plandor developers")
set(CPACK_PACKAGE_CONTACT "The Plandor developers <developers@plandor.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "channel plan editor for cable-TV signal level meters")
# The synopsis is the summary above; CPack indents these lines and marks the
# empty one as a paragraph break.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Plandor edits the channel plan of a handheld cable-television signal level
meter in a grid, opens and saves plans as text files, and moves the plan and
a small settings panel between the PC and the instrument over a serial link.

The package also holds plandor-cli, which moves plans without the window,
and plandor-sim, a simulated instrument for trying Plandor without one.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://plandor.org/")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Depends from the programs' shared libraries; the database driver is a plugin
# the programs load at run time, so no library names it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei, qt6-translations-l10n")
include(CPack)
