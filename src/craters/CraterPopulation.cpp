// SPDX-License-Identifier: MIT
#include "craters/CraterPopulation.h"

#include <algorithm>

#include "craters/CraterLaws.h"
#include "craters/CraterProfiles.h"
#include "craters/SplitMix64.h"

namespace moon {
namespace {

// The square, world units.
constexpr double kSize = 500.0;
// Keeps the craters' sequence apart from any other use of the seed.
constexpr std::uint64_t kCraterStream = 0x63726174657273u;  // "craters"

}  // namespace

std::vector<Crater> CraterPopulation::Generate(const LandscapeKey& key) {
    const CraterProfiles& profiles = CraterProfiles::Get();
    SplitMix64 random((static_cast<std::uint64_t>(key.regeneration) << 32 | key.seed) ^
                      kCraterStream);
    const std::size_t count = CraterLaws::EquilibriumCount(
        kSize * kSize, CraterLaws::kSmallestDiameter, CraterLaws::kLargestDiameter);
    std::vector<Crater> craters;
    craters.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        Crater crater;
        crater.index = static_cast<std::uint32_t>(i);
        crater.x = random.NextUnit() * kSize;
        crater.z = random.NextUnit() * kSize - kSize;
        crater.diameter = CraterLaws::EquilibriumDiameter(
            1.0 - random.NextUnit(), CraterLaws::kSmallestDiameter, CraterLaws::kLargestDiameter);
        // Its wear, uniform over its life: until a quarter past erasure, or
        // back to the age of the surface if that comes first.
        const double oldest = CraterLaws::Degradation(crater.diameter, CraterLaws::kSurfaceAgeMyr);
        const double levels = std::min(static_cast<double>(profiles.GetLevelCount()),
                                       std::max(1.0, oldest / CraterProfiles::kLevelStep));
        crater.level =
            std::min(static_cast<int>(random.NextUnit() * levels), profiles.GetLevelCount() - 1);
        if (crater.level >= profiles.GetErasedLevel()) {
            continue;
        }
        crater.ageMyr = CraterLaws::Age(crater.diameter, CraterProfiles::Degradation(crater.level));
        const double ratio = profiles.DepthRatio(crater.level);
        crater.depth = ratio * crater.diameter;
        crater.rimHeight = profiles.RimRatio(crater.level) * crater.diameter;
        crater.ageClass = ratio >= kFreshDepthRatio ? Crater::AgeClass::Fresh
                          : ratio >= kOldDepthRatio ? Crater::AgeClass::Degraded
                                                    : Crater::AgeClass::Old;
        craters.push_back(crater);
    }
    std::sort(craters.begin(), craters.end(), [](const Crater& a, const Crater& b) {
        return a.ageMyr != b.ageMyr ? a.ageMyr > b.ageMyr : a.index < b.index;
    });
    return craters;
}

const char* CraterPopulation::AgeClassName(Crater::AgeClass ageClass) {
    switch (ageClass) {
        case Crater::AgeClass::Fresh:
            return "fresh";
        case Crater::AgeClass::Degraded:
            return "degraded";
        default:
            return "old";
    }
}

}  // namespace moon
