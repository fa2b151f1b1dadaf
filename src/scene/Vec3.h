// SPDX-License-Identifier: MIT
// A point, direction or normal of three doubles, in world units.
#pragma once

#include <cmath>

namespace moon {

struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    Vec3() = default;
    Vec3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}

    Vec3& Set(double x_, double y_, double z_);
    // this = a + b; a may be this vector itself.
    Vec3& Add(const Vec3& a, const Vec3& b);
    // Returns this - b; this vector is unchanged.
    Vec3 Subtract(const Vec3& b) const;
    // this = a x b, written component by component: this must be neither a nor b.
    Vec3& Cross(const Vec3& a, const Vec3& b);
    // this = v / |v|, multiplying by the reciprocal. At zero length nothing is
    // written, so a zeroed destination stays (0, 0, 0) for a degenerate input.
    Vec3& Normalise(const Vec3& v);
    // Euclidean distance, summed in the order x, z, y. Inline: the level of
    // detail pass asks it once for every node of the tree.
    double Distance(const Vec3& other) const {
        const double dx = x - other.x;
        const double dy = y - other.y;
        const double dz = z - other.z;
        return std::sqrt(dx * dx + dz * dz + dy * dy);
    }

    friend bool operator==(const Vec3&, const Vec3&) = default;
};

}  // namespace moon
