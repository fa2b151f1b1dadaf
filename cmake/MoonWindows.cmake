# SPDX-License-Identifier: MIT
# Windows builds, cross-compiled on Debian with MinGW-w64
# (cmake/toolchains/*-w64-mingw32.cmake, presets windows and windows32).
#
# OpenGL is the system's opengl32 and glu32. GL/gl.h includes windows.h unless
# APIENTRY and WINGDIAPI are set (GL/glu.h needs CALLBACK too); windows.h belongs to the native backend's
# files alone (and to src/io's Windows files), so they are set here. WINGDIAPI
# stays empty so that the recording GL can stand in for opengl32 in tests.
find_package(OpenGL REQUIRED)
add_compile_definitions(APIENTRY=__stdcall WINGDIAPI= CALLBACK=__stdcall)

# The files' libraries: zlib, libpng, libdeflate and libtiff built from
# Debian's sources, and tinyexr (ZLIB::ZLIB, PNG::PNG, TIFF::TIFF,
# moon_tinyexr), so that PNG, GeoTIFF and OpenEXR files are Linux's bytes.
include(${CMAKE_CURRENT_LIST_DIR}/MoonWindowsLibraries.cmake)

# Tests and tools run under Wine: through a wrapper made here, which gives
# every run the build's own Wine prefix (made on first use), no debug
# channels, and the virtual display of the Windows test session when one is
# up (see tests/windows). CTest runs each test through it like any emulator.
if(CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR)
  set(MOON_WINE ${CMAKE_CROSSCOMPILING_EMULATOR})
  get_filename_component(MOON_WINE_DIR ${MOON_WINE} DIRECTORY)
  set(MOON_WINE_SESSION ${PROJECT_BINARY_DIR}/wine)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/moon-wine.sh.in
                 ${MOON_WINE_SESSION}/moon-wine @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                  GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MOON_WINE_SESSION}/moon-wine)
endif()

# GoogleTest has no package for the target: it is built from Debian's
# sources (the googletest package, /usr/src/googletest) with its own
# warnings, not ours. The tests are listed when CTest runs them (under Wine),
# not at every build, so a build without Wine (windows32) still builds them.
macro(moon_windows_googletest)
  set(MOON_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for Windows builds")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${MOON_GTEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set_target_properties(gtest gtest_main PROPERTIES COMPILE_OPTIONS "-w")
  set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
endmacro()

# moon_windows_resources(<target> <name> <description>)
# Gives a program the moon icon (data/windows/moon.ico, made from the
# hicolor icons: convert data/icons/*/*.png data/windows/moon.ico) and a
# version resource with the project's version.
enable_language(RC)
function(moon_windows_resources target name description)
  set(MOON_RC_NAME ${name})
  set(MOON_RC_DESCRIPTION ${description})
  set(MOON_RC_ICON ${PROJECT_SOURCE_DIR}/data/windows/moon.ico)
  set(MOON_RC_MINOR 0)
  set(MOON_RC_PATCH 0)
  if(PROJECT_VERSION_MINOR)
    set(MOON_RC_MINOR ${PROJECT_VERSION_MINOR})
  endif()
  if(PROJECT_VERSION_PATCH)
    set(MOON_RC_PATCH ${PROJECT_VERSION_PATCH})
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/MoonProgram.rc.in
                 ${PROJECT_BINARY_DIR}/resources/${name}.rc @ONLY)
  target_sources(${target} PRIVATE ${PROJECT_BINARY_DIR}/resources/${name}.rc)
endfunction()
