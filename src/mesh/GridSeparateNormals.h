// SPDX-License-Identifier: MIT
// The separate normals of a grid mesh under Attributes sharing (GridMesh's
// header explains the words): one number for each distinct value over the
// whole mesh, in the order the writer's walks meet them. Hashes pick out the
// few normals that need an exact comparison (RepeatedHashes), so only those
// are kept by value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mesh/GridJoinedNormals.h"
#include "mesh/GridLeafWalk.h"
#include "mesh/MeshBounds.h"

namespace moon {

class GridSeparateNormals {
public:
    // A flat or smooth mesh's own normals (flat: a normal per triangle, else
    // one per leaf): a walk with the leaves' normals hashes them, and finds
    // the bounds on the way; a walk without numbers them, making again the
    // few leaves whose normal needs an exact look.
    void NumberOwn(const HeightGrid& grid, bool flat, const GridLeafWalk::Progress& progress);

    // A joined mesh's, one per vertex: hashed where they are held, numbered
    // in one walk.
    void NumberJoined(const HeightGrid& grid, const GridJoinedNormals& joined,
                      const GridLeafWalk::Progress& progress);

    std::size_t GetCount() const { return m_count; }
    const MeshBounds& GetBounds() const { return m_bounds; }

    // Own normals: object is leaf * 4 + triangle when flat, else the leaf.
    std::uint32_t OfObject(std::size_t object) const { return m_ofObjects[object]; }
    // Joined: location is row * side + column; leaf its place in the walk.
    std::uint32_t AtPosition(std::size_t location) const { return m_atPositions[location]; }
    std::uint32_t AtCentre(std::size_t leaf) const { return m_atCentres[leaf]; }
    // The number at point (4: the centre) of the leaf the walk is at.
    std::uint32_t At(const GridLeafWalk& at, int point) const {
        return point < 4 ? AtPosition(at.Location(point)) : AtCentre(at.Index());
    }

private:
    std::size_t m_count = 0;
    MeshBounds m_bounds;
    std::vector<std::uint32_t> m_ofObjects;
    std::vector<std::uint32_t> m_atPositions;
    std::vector<std::uint32_t> m_atCentres;
};

}  // namespace moon
