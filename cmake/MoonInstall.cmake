# SPDX-License-Identifier: MIT
# Installation in the usual Linux places (GNUInstallDirs), and the Debian
# package made from it by CPack:
#   bin/moon, bin/moon-terrain
#   share/applications/<id>.desktop, share/metainfo/<id>.metainfo.xml
#   share/icons/hicolor/<size>/apps/<id>.png
#   share/man/man6/moon.6.gz, share/man/man1/moon-terrain.1.gz
#   share/doc/moon/README.md, LICENSE, copyright, changelog.gz, docs/moon.png
if(WIN32)
  # Windows users get a folder of their own instead (zip and installer).
  include(${CMAKE_CURRENT_LIST_DIR}/MoonWindowsInstall.cmake)
  return()
endif()
include(GNUInstallDirs)

# Who answers for the package: its control file, changelog and copyright name them.
set(CPACK_PACKAGE_CONTACT "The moon authors <maintainers@users.noreply.c-seed-1dd221e5.example>")

# Installing and packaging take what is built; they do not build the tests
# and benchmarks first (cmake --build, then cmake --install or cpack).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

install(TARGETS moon moon-terrain RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${PROJECT_SOURCE_DIR}/data/${MOON_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${PROJECT_SOURCE_DIR}/data/${MOON_APP_ID}.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/data/${MOON_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/data/${MOON_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# Made from a picture of the perspective view (moon --render, seed 42).
foreach(size 16 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/${size}x${size}/${MOON_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Manual pages carry the version; Debian keeps them compressed (gzip -9n: no
# name or time stamp, so the package is reproducible).
find_program(MOON_GZIP gzip)
foreach(page moon.6 moon-terrain.1)
  string(REGEX REPLACE ".*\\.([0-9])$" "\\1" section ${page})
  configure_file(${PROJECT_SOURCE_DIR}/docs/man/${page} ${PROJECT_BINARY_DIR}/man/${page} @ONLY)
  if(MOON_GZIP)
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/man/${page}.gz
      COMMAND ${MOON_GZIP} -9nkf ${PROJECT_BINARY_DIR}/man/${page}
      DEPENDS ${PROJECT_BINARY_DIR}/man/${page}
      COMMENT "Compressing the manual page ${page}")
    list(APPEND moon_man_pages ${PROJECT_BINARY_DIR}/man/${page}.gz)
    install(FILES ${PROJECT_BINARY_DIR}/man/${page}.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
  else()
    install(FILES ${PROJECT_BINARY_DIR}/man/${page}
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
  endif()
endforeach()
if(moon_man_pages)
  add_custom_target(moon_man_pages ALL DEPENDS ${moon_man_pages})
endif()

# The README's picture sits beside it, so its link works where it is installed.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/moon.png DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
# What Debian asks of every package's documentation: the licence in the
# machine-readable copyright format, and the changelog in Debian's format,
# compressed as the manual pages are.
configure_file(${PROJECT_SOURCE_DIR}/data/debian/copyright.in
               ${PROJECT_BINARY_DIR}/doc/copyright @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/doc/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
configure_file(${PROJECT_SOURCE_DIR}/data/debian/changelog.in
               ${PROJECT_BINARY_DIR}/doc/changelog @ONLY)
if(MOON_GZIP)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/doc/changelog.gz
    COMMAND ${MOON_GZIP} -9nkf ${PROJECT_BINARY_DIR}/doc/changelog
    DEPENDS ${PROJECT_BINARY_DIR}/doc/changelog
    COMMENT "Compressing the changelog")
  add_custom_target(moon_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/doc/changelog.gz)
  install(FILES ${PROJECT_BINARY_DIR}/doc/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
else()
  install(FILES ${PROJECT_BINARY_DIR}/doc/changelog DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

# --- The Debian package: cpack -G DEB in the build folder ----------------------
set(CPACK_PACKAGE_NAME moon)
set(CPACK_PACKAGE_VENDOR "The moon authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for a procedurally generated lunar landscape")
# Debian shows the description as written: lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "moon builds a patch of lunar terrain by random midpoint displacement and\n\
shows it in two windows: a perspective view flown with the mouse and a plan\n\
view that follows the camera. moon-terrain prints a landscape or exports it\n\
as a PLY or OBJ mesh.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The shared libraries' packages (SDL2, GLU, libpng, the C++ runtime) come
# from dpkg-shlibdeps. SDL opens libGL itself when it makes a GL context, so
# no link names it: it is listed here. Mesa's drivers give the GL a renderer.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xvfb")
include(CPack)
