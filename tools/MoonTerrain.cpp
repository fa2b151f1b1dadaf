// SPDX-License-Identifier: MIT
// Entry point of moon-terrain; everything else is in TerrainTool.
#include <cstdio>
#include <string_view>
#include <vector>

#include "io/BinaryOutput.h"
#include "system/OutOfMemory.h"
#include "tools/TerrainTool.h"

int main(int argc, char** argv) {
    moon::OutOfMemory::EndProgramWhenExhausted("moon-terrain");
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    // The dump and "-o -" write the same bytes everywhere.
    moon::SetBinaryOutput(stdout);
    return moon::RunTerrainTool(args, stdout, stderr);
}
