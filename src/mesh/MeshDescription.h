// SPDX-License-Identifier: MIT
// What a mesh file says about itself, apart from the mesh: PLY and OBJ take
// the comment lines (no newlines inside), glTF the program that wrote it and
// the members of its asset's extras (JSON, "" for none).
#pragma once

#include <string>
#include <vector>

namespace moon {

struct MeshDescription {
    std::vector<std::string> comments;
    std::string extrasJson;
    // glTF's asset.generator: the program's name and version.
    std::string generator;
};

}  // namespace moon
