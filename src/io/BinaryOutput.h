// SPDX-License-Identifier: MIT
// Output streams that carry bytes as they are: a program's standard output
// writes the same bytes on every system ("\n" ends a line; Windows' text mode
// would make it "\r\n" and break binary PLY on "-o -").
#pragma once

#include <cstdio>

namespace moon {

// Puts stream in binary mode; nothing to do where every stream is binary.
// Call before anything is written to it.
void SetBinaryOutput(std::FILE* stream);

}  // namespace moon
