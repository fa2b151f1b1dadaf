# SPDX-License-Identifier: MIT
# Installation and packages for Windows: one folder holding
#   moon.exe, moon-terrain.exe, README.md, LICENSE, docs/moon.png,
#   licenses/*.txt (the libraries built into the programs)
# (the programs link their runtimes statically: no DLL beside them), made
# into a zip (cpack -G ZIP: moon-VERSION-win64.zip, or -win32) and an
# installer (cpack -G NSIS, Debian package nsis) with a Start-menu entry for
# the viewer and an uninstaller.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(moon_programs moon-terrain)
if(TARGET moon)
  list(PREPEND moon_programs moon)
endif()
install(TARGETS ${moon_programs} RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
# The README's picture sits beside it, so its link works.
install(FILES ${PROJECT_SOURCE_DIR}/docs/moon.png DESTINATION docs)
while(MOON_WINDOWS_LICENSES)
  list(POP_FRONT MOON_WINDOWS_LICENSES library file)
  install(FILES ${file} DESTINATION licenses RENAME ${library}.txt)
endwhile()

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(moon_windows_arch win64)
  # A 64-bit installer for 64-bit programs: it installs into the 64-bit
  # Program Files and runs where only 64-bit Windows programs can (Wine
  # without its 32-bit half).
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  set(CPACK_NSIS_DEFINES "Target amd64-unicode")
else()
  set(moon_windows_arch win32)
endif()
set(CPACK_PACKAGE_NAME moon)
set(CPACK_PACKAGE_VENDOR "The moon authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for a procedurally generated lunar landscape")
set(CPACK_PACKAGE_FILE_NAME moon-${PROJECT_VERSION}-${moon_windows_arch})
set(CPACK_PACKAGE_INSTALL_DIRECTORY moon)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY moon)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR ZIP NSIS)
# The zip unpacks into a folder named like itself.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

# The installer: the Start-menu entry "Moon" starts the viewer; Add or
# remove programs lists it with its icon; a new install removes an older one
# first.
set(CPACK_NSIS_PACKAGE_NAME "moon ${PROJECT_VERSION}")
set(CPACK_NSIS_DISPLAY_NAME "moon")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/data/windows/moon.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/data/windows/moon.ico)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
if(TARGET moon)
  set(CPACK_PACKAGE_EXECUTABLES moon Moon)
  set(CPACK_NSIS_INSTALLED_ICON_NAME moon.exe)
endif()
include(CPack)
