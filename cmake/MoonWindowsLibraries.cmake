# SPDX-License-Identifier: MIT
# The libraries of the files moon writes, for Windows builds. Debian packages
# none of them for MinGW, so they are built here from Debian's own sources, at
# the versions the Linux build links (cmake/windows/debian-sources.txt), and
# configured as Debian configures them where it touches what moon writes:
# libpng with its default configuration; libtiff deflates whole strips with
# libdeflate and anything else with zlib; tinyexr compresses with zlib. The
# same code gives the same bytes on both systems. Everything is static and
# built with its own warnings silenced.
#
# scripts/deps.sh windows fetches and unpacks the sources (with Debian's
# patches) into MOON_DEBIAN_SOURCES, outside the source tree; nothing is
# written there.
#
# Targets: ZLIB::ZLIB, PNG::PNG, TIFF::TIFF and moon_tinyexr, as on Linux.

if(DEFINED ENV{MOON_DEBIAN_SOURCES})
  set(moon_debian_sources_default $ENV{MOON_DEBIAN_SOURCES})
else()
  set(moon_debian_sources_default /var/cache/moon-debian-sources)
endif()
set(MOON_DEBIAN_SOURCES ${moon_debian_sources_default} CACHE PATH
    "Debian's unpacked source packages for Windows builds (scripts/debian-sources.sh)")

set(moon_debian_source_list ${PROJECT_SOURCE_DIR}/cmake/windows/debian-sources.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${moon_debian_source_list})

# moon_debian_source(<variable> <package>): the folder holding <package>'s
# sources at the listed version, or a configuration error saying how to get it.
function(moon_debian_source variable package)
  file(STRINGS ${moon_debian_source_list} lines REGEX "^${package} ")
  list(LENGTH lines count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "${moon_debian_source_list} names ${package} ${count} times, not once")
  endif()
  string(REGEX REPLACE "^${package} +([0-9]+:)?([^ ]+) *$" "\\2" version "${lines}")
  set(folder ${MOON_DEBIAN_SOURCES}/${package}_${version})
  if(NOT IS_DIRECTORY ${folder})
    message(FATAL_ERROR "Debian's sources of ${package} ${version} are not in ${folder}: "
                        "bash scripts/deps.sh windows fetches them")
  endif()
  set(${variable} ${folder} PARENT_SCOPE)
endfunction()

moon_debian_source(moon_zlib_source zlib)
moon_debian_source(moon_libdeflate_source libdeflate)
moon_debian_source(moon_tiff_source tiff)
moon_debian_source(moon_libpng_source libpng1.6)

# The libraries are C. Only their public headers go on the include path, each
# from a folder of its own in the build, never their sources' folders.
enable_language(C)
set(moon_third_party ${PROJECT_BINARY_DIR}/third-party)

# moon_third_party_library(<name> <alias> SOURCE <folder> SOURCES <files...>
#                          HEADERS <files...>)
# A static library of a source package's files (relative to its folder),
# compiled without its warnings; its users see only the public headers, each
# copied into third-party/<name without moon_>, while it builds against its
# own folder.
function(moon_third_party_library name alias)
  cmake_parse_arguments(ARG "" "SOURCE" "SOURCES;HEADERS" ${ARGN})
  string(REGEX REPLACE "^moon_" "" folder ${name})
  list(TRANSFORM ARG_SOURCES PREPEND ${ARG_SOURCE}/)
  add_library(${name} STATIC EXCLUDE_FROM_ALL ${ARG_SOURCES})
  foreach(header ${ARG_HEADERS})
    get_filename_component(file ${header} NAME)
    configure_file(${ARG_SOURCE}/${header} ${moon_third_party}/${folder}/${file} COPYONLY)
  endforeach()
  target_include_directories(${name} SYSTEM INTERFACE ${moon_third_party}/${folder})
  target_include_directories(${name} PRIVATE ${ARG_SOURCE})
  target_compile_options(${name} PRIVATE -w)
  add_library(${alias} ALIAS ${name})
endfunction()

# zlib: its own CMake build renames a header in the source folder, builds a
# DLL and example programs, so the library is listed here (the sources its
# Makefile builds into libz.a).
moon_third_party_library(moon_zlib ZLIB::ZLIB SOURCE ${moon_zlib_source}
  SOURCES adler32.c compress.c crc32.c deflate.c gzclose.c gzlib.c gzread.c gzwrite.c
          infback.c inffast.c inflate.c inftrees.c trees.c uncompr.c zutil.c
  HEADERS zlib.h zconf.h)

# libdeflate 1.14 builds with a Makefile: the library's sources as it lists
# them for a static library with compression and decompression.
moon_third_party_library(moon_libdeflate Deflate::Deflate SOURCE ${moon_libdeflate_source}
  SOURCES lib/adler32.c lib/crc32.c lib/deflate_compress.c lib/deflate_decompress.c
          lib/gzip_compress.c lib/gzip_decompress.c lib/utils.c lib/zlib_compress.c
          lib/zlib_decompress.c lib/arm/cpu_features.c lib/x86/cpu_features.c
  HEADERS libdeflate.h)
target_compile_definitions(moon_libdeflate PRIVATE _ANSI_SOURCE)
set_target_properties(moon_libdeflate PROPERTIES C_STANDARD 99
                      ARCHIVE_OUTPUT_DIRECTORY ${moon_third_party})

# libpng 1.6: its library's sources, with the configuration header it ships
# for builds without its scripts. That header is the one Debian's build
# generates (configure's defaults) but for PNG_ZLIB_VERNUM, 0 here, which only
# turns off a check of zlib.h's version.
moon_third_party_library(moon_libpng PNG::PNG SOURCE ${moon_libpng_source}
  SOURCES png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c pngrio.c pngrtran.c
          pngrutil.c pngset.c pngtrans.c pngwio.c pngwrite.c pngwtran.c pngwutil.c
  HEADERS png.h pngconf.h)
configure_file(${moon_libpng_source}/scripts/pnglibconf.h.prebuilt
               ${moon_third_party}/libpng/pnglibconf.h COPYONLY)
target_include_directories(moon_libpng PRIVATE ${moon_third_party}/libpng)
target_link_libraries(moon_libpng PUBLIC moon_zlib)

# libtiff with its own CMake build, as a static library with deflate alone:
# no tools, tests, documentation, C++ streams or other codecs. Its options
# are cache entries (it predates option() taking plain variables). Its
# searches for zlib and libdeflate find the targets above: the find modules
# keep a result that is already set and a target that already exists.
function(moon_windows_libtiff)
  foreach(feature tiff-tools tiff-tests tiff-contrib tiff-docs tiff-install tiff-opengl cxx
                  ccitt packbits lzw thunder next logluv mdi pixarlog jpeg old-jpeg jpeg12 jbig
                  lerc lzma zstd webp)
    set(${feature} OFF CACHE BOOL "libtiff for Windows builds (cmake/MoonWindowsLibraries.cmake)" FORCE)
  endforeach()
  foreach(feature zlib libdeflate)
    set(${feature} ON CACHE BOOL "libtiff for Windows builds (cmake/MoonWindowsLibraries.cmake)" FORCE)
  endforeach()
  set(ZLIB_INCLUDE_DIR ${moon_third_party}/zlib CACHE INTERNAL "")
  set(ZLIB_LIBRARY moon_zlib CACHE INTERNAL "")
  set(Deflate_INCLUDE_DIR ${moon_third_party}/libdeflate CACHE INTERNAL "")
  # (libtiff names the library's file in its pkg-config file.)
  set(Deflate_LIBRARY ${moon_third_party}/libmoon_libdeflate.a CACHE INTERNAL "")
  set(BUILD_SHARED_LIBS OFF)
  # Its checks and its summary stay out of the configuration's output.
  if(NOT CMAKE_MESSAGE_LOG_LEVEL)
    set(CMAKE_MESSAGE_LOG_LEVEL NOTICE)
  endif()
  # Its folder starts with this one's compile options: ours, then none of
  # their warnings.
  get_directory_property(options COMPILE_OPTIONS)
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "${options};-w")
  add_subdirectory(${moon_tiff_source} ${PROJECT_BINARY_DIR}/third-party/tiff EXCLUDE_FROM_ALL SYSTEM)
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "${options}")
  if(NOT TARGET TIFF::TIFF)
    message(FATAL_ERROR "libtiff's build in ${moon_tiff_source} made no TIFF::TIFF")
  endif()
  # Its users see its public headers only (its build gives them its folders).
  foreach(header tiff.h tiffio.h tiffvers.h)
    configure_file(${moon_tiff_source}/libtiff/${header} ${moon_third_party}/libtiff/${header}
                   COPYONLY)
  endforeach()
  configure_file(${PROJECT_BINARY_DIR}/third-party/tiff/libtiff/tiffconf.h
                 ${moon_third_party}/libtiff/tiffconf.h COPYONLY)
  set_target_properties(tiff PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${moon_third_party}/libtiff)
endfunction()
moon_windows_libtiff()

# tinyexr: Debian's libtinyexr-dev has the header, with its implementation,
# for any target; it is copied into a folder of its own, so that the host's
# /usr/include never reaches the target's include path.
find_file(MOON_TINYEXR_HEADER tinyexr.h PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
          NO_DEFAULT_PATH REQUIRED)
configure_file(${MOON_TINYEXR_HEADER} ${moon_third_party}/tinyexr/tinyexr.h COPYONLY)
add_library(moon_tinyexr INTERFACE)
target_include_directories(moon_tinyexr SYSTEM INTERFACE ${moon_third_party}/tinyexr)

# The programs carry these libraries' code: the packages carry their
# licences, as Debian states them (cmake/MoonWindowsInstall.cmake).
set(MOON_WINDOWS_LICENSES
    zlib ${moon_zlib_source}/debian/copyright
    libpng ${moon_libpng_source}/debian/copyright
    libdeflate ${moon_libdeflate_source}/debian/copyright
    libtiff ${moon_tiff_source}/debian/copyright)
find_file(MOON_TINYEXR_COPYRIGHT copyright PATHS /usr/share/doc/libtinyexr-dev
          NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH REQUIRED)
list(APPEND MOON_WINDOWS_LICENSES tinyexr ${MOON_TINYEXR_COPYRIGHT})
