// SPDX-License-Identifier: MIT
// Vertices numbered one per position (GridMesh's header explains the words),
// in the order a walk first meets them: each grid position's, and the centre
// of the leaf being walked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mesh/GridLeafWalk.h"

namespace moon {

class GridPositionVertices {
public:
    explicit GridPositionVertices(const GridLeafWalk& walk)
        : m_walk(walk),
          m_at(static_cast<std::size_t>(walk.GetSide()) * static_cast<std::size_t>(walk.GetSide()),
               kNone) {}

    // Called as the walk comes to a leaf: its centre is its own.
    void EnterLeaf() { m_centre = kNone; }

    // The vertex at the leaf's point (4: the centre); true when it is
    // numbered now, the position's first.
    bool Number(int point, std::uint32_t& vertex) {
        std::uint32_t& at = point < 4 ? m_at[m_walk.Location(point)] : m_centre;
        const bool made = at == kNone;
        if (made) {
            at = m_next++;
        }
        vertex = at;
        return made;
    }

    // Enters the walk's leaf and calls visit(point) for each point of its
    // triangles, in their order, whose vertex is numbered now.
    template <typename Triangles, typename Visit>
    void NumberLeaf(const Triangles& triangles, Visit&& visit) {
        EnterLeaf();
        for (const auto& triangle : triangles) {
            for (const int point : triangle) {
                std::uint32_t vertex = 0;
                if (Number(point, vertex)) {
                    visit(point);
                }
            }
        }
    }

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    const GridLeafWalk& m_walk;
    std::vector<std::uint32_t> m_at;
    std::uint32_t m_centre = kNone;
    std::uint32_t m_next = 0;
};

}  // namespace moon
