# SPDX-License-Identifier: MIT
include(GoogleTest)

# moon_add_gtest(<name> SOURCES <files...> [LIBS <targets...>] [DISPLAY]
#                [LABELS <labels...>] [TIMEOUT <seconds>]
#                [ENVIRONMENT <VAR=value...>])
#
# Builds a GoogleTest executable and registers each of its tests with CTest as
# a process of its own, so process-wide state (the generator, the framework
# core, the views' angles) starts fresh for every test.
# DISPLAY marks tests that need real windows or real GL: they are left out of
# the sanitizer build.
function(moon_add_gtest name)
  cmake_parse_arguments(ARG "DISPLAY" "TIMEOUT" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  if(ARG_DISPLAY AND MOON_SANITIZE)
    return()
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 60)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  # Tests include their helpers by folder from the top: "tests/support/...".
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  set(labels ${ARG_LABELS})
  if(ARG_DISPLAY)
    list(APPEND labels display)
  endif()
  # Windows tests run in the suite's Wine session (tests/windows). Named
  # before the properties that may be empty, which the list drops.
  set(fixtures "")
  if(WIN32 AND CMAKE_CROSSCOMPILING)
    set(fixtures FIXTURES_REQUIRED wine)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ${fixtures} TIMEOUT ${ARG_TIMEOUT} LABELS "${labels}"
               ENVIRONMENT "${ARG_ENVIRONMENT}")
endfunction()
