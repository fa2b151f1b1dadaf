// SPDX-License-Identifier: MIT
// The hash the mesh tables share: FNV-1a over 32-bit words, then
// splitmix64's finaliser, so that the low bits (a table's slot) and the high
// bits alike depend on every word.
#pragma once

#include <cstdint>
#include <span>

namespace moon {

inline std::uint64_t HashWords(std::span<const std::uint32_t> words) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const std::uint32_t word : words) {
        hash = (hash ^ word) * 1099511628211ull;
    }
    hash = (hash ^ (hash >> 30)) * 0xBF58476D1CE4E5B9ull;
    hash = (hash ^ (hash >> 27)) * 0x94D049BB133111EBull;
    return hash ^ (hash >> 31);
}

}  // namespace moon
