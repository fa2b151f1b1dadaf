// SPDX-License-Identifier: MIT
// One writer per mesh format, each reading only the neutral Mesh:
// - PLY: binary little-endian; vertices x y z (nx ny nz) red green blue as
//   floats and bytes, then faces (a byte 3 and three ints) or edges (two ints).
// - OBJ: text; v x y z r g b (colour 0 to 1), vn, then f v//vn or l v v,
//   counted from 1, every number in its shortest exact form.
// - glTF 2.0 binary (.glb): one JSON chunk, one binary chunk.
// The PLY and glTF writers take a mesh of Vertices sharing, OBJ of Attributes.
// A writer that cannot hold the mesh says why in problem, returns false and
// writes nothing: a .glb's sizes are 32-bit, so it ends below 4 GiB.
#pragma once

#include <string>

namespace moon {

class Mesh;
class MeshOutput;
struct MeshDescription;

bool WritePly(const Mesh& mesh, const MeshDescription& description, MeshOutput& out,
              std::string& problem);
bool WriteObj(const Mesh& mesh, const MeshDescription& description, MeshOutput& out,
              std::string& problem);
bool WriteGlb(const Mesh& mesh, const MeshDescription& description, MeshOutput& out,
              std::string& problem);

}  // namespace moon
