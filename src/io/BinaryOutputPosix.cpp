// SPDX-License-Identifier: MIT
#include "io/BinaryOutput.h"

namespace moon {

// POSIX streams have no text mode.
void SetBinaryOutput(std::FILE*) {}

}  // namespace moon
