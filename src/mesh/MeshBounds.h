// SPDX-License-Identifier: MIT
// The smallest and largest of each position coordinate, as floats: what a
// glTF file's position accessor gives as its min and max.
#pragma once

#include <algorithm>
#include <array>
#include <limits>

#include "scene/Vec3.h"

namespace moon {

struct MeshBounds {
    std::array<float, 3> low{std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
                             std::numeric_limits<float>::max()};
    std::array<float, 3> high{std::numeric_limits<float>::lowest(),
                              std::numeric_limits<float>::lowest(),
                              std::numeric_limits<float>::lowest()};

    void Extend(const Vec3& position) {
        std::size_t k = 0;
        for (const double value : {position.x, position.y, position.z}) {
            low[k] = std::min(low[k], static_cast<float>(value));
            high[k] = std::max(high[k], static_cast<float>(value));
            ++k;
        }
    }
};

}  // namespace moon
