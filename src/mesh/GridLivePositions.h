// SPDX-License-Identifier: MIT
// The records of the live positions of a walk that keys vertices by normal
// (GridMesh's header explains the words): the vertices made so far at each
// corner position of the leaf being walked, and at its centre. A record is
// made at its position's first leaf and freed at its last, so few are live.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "mesh/GridLeafWalk.h"

namespace moon {

class GridLivePositions {
public:
    // A vertex at the position: its normal's float bits (while counting)
    // and its index.
    struct Entry {
        std::array<std::uint32_t, 3> key{};
        std::uint32_t index = 0;
    };
    // The record standing for the leaf's centre.
    static constexpr std::uint32_t kCentre = 0xFFFFFFFFu;

    explicit GridLivePositions(const GridLeafWalk& walk)
        : m_walk(walk),
          m_slots(
              static_cast<std::size_t>(walk.GetSide()) * static_cast<std::size_t>(walk.GetSide()),
              kCentre) {}

    // The records of the leaf's four corners, by point; the centre's emptied.
    std::array<std::uint32_t, 4> EnterLeaf() {
        std::array<std::uint32_t, 4> live{};
        for (int point = 0; point < 4; ++point) {
            live[static_cast<std::size_t>(point)] = LiveAt(point);
        }
        m_centreCount = 0;
        return live;
    }

    // Frees the records of the positions this was the last leaf of.
    void LeaveLeaf(const std::array<std::uint32_t, 4>& live) {
        for (const std::uint32_t slot : live) {
            if (--m_pool[slot].leavesLeft == 0) {
                m_free.push_back(slot);
                m_slots[m_location[slot]] = kCentre;
            }
        }
    }

    Entry* EntriesOf(std::uint32_t slot) {
        return slot == kCentre ? m_centre.data() : m_pool[slot].entries.data();
    }
    std::uint32_t& CountOf(std::uint32_t slot) {
        return slot == kCentre ? m_centreCount : m_pool[slot].count;
    }

private:
    // At most two triangles of each of four leaves.
    struct Record {
        int leavesLeft = 0;
        std::uint32_t count = 0;
        std::array<Entry, 8> entries{};
    };

    std::uint32_t LiveAt(int point) {
        const std::size_t location = m_walk.Location(point);
        if (m_slots[location] != kCentre) {
            return m_slots[location];
        }
        std::uint32_t slot = 0;
        if (m_free.empty()) {
            slot = static_cast<std::uint32_t>(m_pool.size());
            m_pool.emplace_back();
            m_location.push_back(0);
        } else {
            slot = m_free.back();
            m_free.pop_back();
        }
        Record& record = m_pool[slot];
        record.leavesLeft = m_walk.LeavesAt(point);
        record.count = 0;
        m_location[slot] = location;
        m_slots[location] = slot;
        return slot;
    }

    const GridLeafWalk& m_walk;
    std::vector<std::uint32_t> m_slots;  // each position's record, kCentre for none
    std::vector<Record> m_pool;
    std::vector<std::size_t> m_location;  // the position each record is for
    std::vector<std::uint32_t> m_free;
    std::array<Entry, 8> m_centre{};
    std::uint32_t m_centreCount = 0;
};

}  // namespace moon
