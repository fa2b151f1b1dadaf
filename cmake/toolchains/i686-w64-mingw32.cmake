# SPDX-License-Identifier: MIT
# Cross-builds moon for 32-bit Windows with Debian's MinGW-w64 (posix thread
# model, so std::thread and std::mutex work), linking the C and C++ runtimes
# statically: the programs need no DLL beside them. Tests run under Wine.
#   cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/i686-w64-mingw32.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(moon_mingw_triplet i686-w64-mingw32)

set(CMAKE_C_COMPILER ${moon_mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${moon_mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${moon_mingw_triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${moon_mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debian puts the loader outside PATH. 32-bit programs need the wine32
# package; a machine without it (or whose kernel cannot run 32-bit programs)
# still builds them.
find_program(MOON_WINE NAMES wine HINTS /usr/lib/wine)
if(MOON_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MOON_WINE})
endif()
