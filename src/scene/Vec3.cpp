// SPDX-License-Identifier: MIT
#include "scene/Vec3.h"

#include <cmath>

namespace moon {

Vec3& Vec3::Set(double x_, double y_, double z_) {
    x = x_;
    y = y_;
    z = z_;
    return *this;
}

Vec3& Vec3::Add(const Vec3& a, const Vec3& b) {
    x = a.x + b.x;
    y = a.y + b.y;
    z = a.z + b.z;
    return *this;
}

Vec3 Vec3::Subtract(const Vec3& b) const {
    return Vec3(x - b.x, y - b.y, z - b.z);
}

Vec3& Vec3::Cross(const Vec3& a, const Vec3& b) {
    x = a.y * b.z - a.z * b.y;
    y = a.z * b.x - a.x * b.z;
    z = a.x * b.y - a.y * b.x;
    return *this;
}

Vec3& Vec3::Normalise(const Vec3& v) {
    const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length == 0.0) {
        return *this;
    }
    const double inverse = 1.0 / length;
    const Vec3 result(v.x * inverse, v.y * inverse, v.z * inverse);
    *this = result;
    return *this;
}

}  // namespace moon
