# SPDX-License-Identifier: MIT
# Cross-builds moon for 64-bit Windows with Debian's MinGW-w64 (posix thread
# model, so std::thread and std::mutex work), linking the C and C++ runtimes
# statically: the programs need no DLL beside them. Tests run under Wine.
#   cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/x86_64-w64-mingw32.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(moon_mingw_triplet x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${moon_mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${moon_mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${moon_mingw_triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${moon_mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debian's wine64 package installs the loader outside PATH.
find_program(MOON_WINE NAMES wine64 wine HINTS /usr/lib/wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${MOON_WINE})
