// SPDX-License-Identifier: MIT
// Which of many 32-bit hashes occur more than once: sorted by radix (two
// passes of 16 bits, through a buffer as large as the hashes), then the
// repeated ones kept in a small open-addressed set. A grid mesh uses it to
// find the few normals that need an exact comparison among tens of millions.
#pragma once

#include <cstdint>
#include <vector>

namespace moon {

class RepeatedHashes {
public:
    // Replaces what was found before; hashes are taken and freed.
    void Find(std::vector<std::uint32_t> hashes);

    bool Contains(std::uint32_t hash) const;
    std::size_t GetCount() const { return m_sorted.size(); }

private:
    std::vector<std::uint32_t> m_sorted;  // the repeated hashes, each once
    std::vector<std::uint32_t> m_slots;   // the same; 0 for an empty slot
};

}  // namespace moon
