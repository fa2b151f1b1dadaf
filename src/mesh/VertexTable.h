// SPDX-License-Identifier: MIT
// The distinct vertices of a mesh, each with its index in order of first use.
// A vertex is N 32-bit words (the bit patterns of what the file will hold), so
// two vertices are the same exactly when the file would show the same values.
// Open addressing over an index array: about 4 N + 8 bytes a vertex, which a
// depth-10 export (millions of vertices) needs to stay within.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace moon {

template <std::size_t N>
class VertexTable {
public:
    using Key = std::array<std::uint32_t, N>;

    // The index of key, added at the end if it is new.
    std::uint32_t Add(const Key& key) {
        if (2 * (m_keys.size() + 1) > m_slots.size()) {
            Grow();
        }
        std::size_t slot = Hash(key) & (m_slots.size() - 1);
        while (m_slots[slot] != kEmpty) {
            if (m_keys[m_slots[slot]] == key) {
                return m_slots[slot];
            }
            slot = (slot + 1) & (m_slots.size() - 1);
        }
        m_slots[slot] = static_cast<std::uint32_t>(m_keys.size());
        m_keys.push_back(key);
        return m_slots[slot];
    }

    // The index of key if it was added, else nothing.
    std::optional<std::uint32_t> Find(const Key& key) const {
        if (m_slots.empty()) {
            return std::nullopt;
        }
        for (std::size_t slot = Hash(key) & (m_slots.size() - 1); m_slots[slot] != kEmpty;
             slot = (slot + 1) & (m_slots.size() - 1)) {
            if (m_keys[m_slots[slot]] == key) {
                return m_slots[slot];
            }
        }
        return std::nullopt;
    }

    // Room for count vertices without growing: growing a large table rehashes
    // every key, and a depth-10 export would do so a dozen times.
    void Reserve(std::size_t count) {
        m_keys.reserve(count);
        if (2 * count > m_slots.size()) {
            std::size_t size = 1024;
            while (size < 2 * count) {
                size *= 2;
            }
            Rehash(size);
        }
    }

    std::size_t Size() const { return m_keys.size(); }
    // In order of first use.
    const std::vector<Key>& Keys() const { return m_keys; }

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;

    static std::size_t Hash(const Key& key) {
        // FNV-1a over the words, then splitmix64's finaliser: the slot is
        // taken from the low bits, which must depend on every word.
        std::uint64_t hash = 14695981039346656037ull;
        for (std::uint32_t word : key) {
            hash = (hash ^ word) * 1099511628211ull;
        }
        hash = (hash ^ (hash >> 30)) * 0xBF58476D1CE4E5B9ull;
        hash = (hash ^ (hash >> 27)) * 0x94D049BB133111EBull;
        return static_cast<std::size_t>(hash ^ (hash >> 31));
    }

    void Grow() { Rehash(m_slots.empty() ? 1024 : 2 * m_slots.size()); }

    void Rehash(std::size_t size) {
        m_slots.assign(size, kEmpty);
        for (std::uint32_t index = 0; index < m_keys.size(); ++index) {
            std::size_t slot = Hash(m_keys[index]) & (size - 1);
            while (m_slots[slot] != kEmpty) {
                slot = (slot + 1) & (size - 1);
            }
            m_slots[slot] = index;
        }
    }

    std::vector<Key> m_keys;
    std::vector<std::uint32_t> m_slots;
};

}  // namespace moon
