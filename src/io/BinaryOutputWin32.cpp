// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <io.h>

#include "io/BinaryOutput.h"

namespace moon {

void SetBinaryOutput(std::FILE* stream) {
    std::fflush(stream);
    _setmode(_fileno(stream), _O_BINARY);
}

}  // namespace moon
