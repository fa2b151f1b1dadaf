# SPDX-License-Identifier: MIT
# Runs PROGRAM and checks its exit status and its standard output.
#   cmake -DPROGRAM=<exe> -DEXPECTED_STATUS=<n> -DEXPECTED_OUTPUT=<file> -P CheckProgram.cmake
# EMULATOR, if given, runs the program (Wine for a Windows build).
execute_process(COMMAND ${EMULATOR} ${PROGRAM}
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors)
file(READ ${EXPECTED_OUTPUT} expected)
# A Windows program's standard output is in text mode: its lines end "\r\n".
if(EMULATOR)
  string(REPLACE "\r\n" "\n" output "${output}")
  string(REPLACE "\r\n" "\n" errors "${errors}")
endif()
if(NOT status STREQUAL EXPECTED_STATUS)
  message(FATAL_ERROR "exit status ${status}, expected ${EXPECTED_STATUS}\n"
                      "stdout:\n${output}\nstderr:\n${errors}")
endif()
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "standard output differs\nexpected:\n${expected}\nactual:\n${output}")
endif()
if(NOT errors STREQUAL "")
  message(FATAL_ERROR "unexpected standard error:\n${errors}")
endif()
