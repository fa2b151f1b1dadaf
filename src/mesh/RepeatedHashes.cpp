// SPDX-License-Identifier: MIT
#include "mesh/RepeatedHashes.h"

#include <algorithm>
#include <cstddef>

namespace moon {
namespace {

void radixSort(std::vector<std::uint32_t>& values) {
    std::vector<std::uint32_t> buffer(values.size());
    for (const int shift : {0, 16}) {
        std::vector<std::size_t> starts(65537, 0);
        for (const std::uint32_t value : values) {
            ++starts[((value >> shift) & 0xFFFFu) + 1];
        }
        for (std::size_t digit = 1; digit < starts.size(); ++digit) {
            starts[digit] += starts[digit - 1];
        }
        for (const std::uint32_t value : values) {
            buffer[starts[(value >> shift) & 0xFFFFu]++] = value;
        }
        values.swap(buffer);
    }
}

}  // namespace

void RepeatedHashes::Find(std::vector<std::uint32_t> hashes) {
    radixSort(hashes);
    m_sorted.clear();
    for (std::size_t i = 0; i + 1 < hashes.size(); ++i) {
        if (hashes[i] == hashes[i + 1] && (m_sorted.empty() || m_sorted.back() != hashes[i])) {
            m_sorted.push_back(hashes[i]);
        }
    }
    hashes = {};
    // At most half full, the hash's own low bits the first slot.
    std::size_t size = 64;
    while (size < 2 * m_sorted.size()) {
        size *= 2;
    }
    m_slots.assign(size, 0);
    for (const std::uint32_t hash : m_sorted) {
        std::size_t slot = hash & (size - 1);
        while (m_slots[slot] != 0) {
            slot = (slot + 1) & (size - 1);
        }
        m_slots[slot] = hash;
    }
}

bool RepeatedHashes::Contains(std::uint32_t hash) const {
    // 0 marks an empty slot: a repeated 0 is looked up in the sorted list.
    if (hash == 0 || m_slots.empty()) {
        return std::binary_search(m_sorted.begin(), m_sorted.end(), hash);
    }
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = hash & mask; m_slots[slot] != 0; slot = (slot + 1) & mask) {
        if (m_slots[slot] == hash) {
            return true;
        }
    }
    return false;
}

}  // namespace moon
