// SPDX-License-Identifier: MIT
#include "craters/CraterPopulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "craters/CraterCatalogue.h"
#include "craters/CraterLaws.h"
#include "craters/CraterProfiles.h"
#include "scene/Random.h"

namespace moon {
namespace {

// The least-squares slope of log N(>D) against log D, over D from low to
// high at ten points a decade.
double cumulativeSlope(const std::vector<Crater>& craters, double low, double high) {
    double sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
    int n = 0;
    for (double d = low; d <= high * 1.0001; d *= std::pow(10.0, 0.1)) {
        int count = 0;
        for (const Crater& crater : craters) {
            count += crater.diameter > d;
        }
        const double x = std::log10(d);
        const double y = std::log10(static_cast<double>(count));
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
        ++n;
    }
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

TEST(CraterPopulationTest, CumulativeCountsFollowTheEquilibriumInverseSquare) {
    for (const std::uint32_t seed : {1u, 42u, 777u}) {
        const std::vector<Crater> craters = CraterPopulation::Generate({seed, 0});
        EXPECT_NEAR(cumulativeSlope(craters, 1.0, 10.0), -2.0, 0.1) << "seed " << seed;
        // Trask's density over the square, less the erased.
        const std::size_t drawn = CraterLaws::EquilibriumCount(
            500.0 * 500.0, CraterLaws::kSmallestDiameter, CraterLaws::kLargestDiameter);
        EXPECT_EQ(drawn, 19856u);
        EXPECT_GT(craters.size(), drawn * 3 / 4);
        EXPECT_LT(craters.size(), drawn);
    }
}

TEST(CraterPopulationTest, EveryCraterIsInTheSquareSizedAgedAndNotErased) {
    const std::vector<Crater> craters = CraterPopulation::Generate({42, 0});
    const CraterProfiles& profiles = CraterProfiles::Get();
    int fresh = 0;
    int old = 0;
    for (std::size_t i = 0; i < craters.size(); ++i) {
        const Crater& crater = craters[i];
        ASSERT_GE(crater.x, 0.0);
        ASSERT_LT(crater.x, 500.0);
        ASSERT_GE(crater.z, -500.0);
        ASSERT_LT(crater.z, 0.0);
        ASSERT_GE(crater.diameter, CraterLaws::kSmallestDiameter);
        ASSERT_LE(crater.diameter, CraterLaws::kLargestDiameter);
        const double ratio = crater.depth / crater.diameter;
        ASSERT_GE(ratio, CraterLaws::kErasedDepthRatio);
        ASSERT_LE(crater.ageMyr, CraterLaws::kSurfaceAgeMyr);
        EXPECT_EQ(crater.depth, profiles.DepthRatio(crater.level) * crater.diameter);
        const Crater::AgeClass expected =
            ratio >= CraterPopulation::kFreshDepthRatio ? Crater::AgeClass::Fresh
            : ratio >= CraterPopulation::kOldDepthRatio ? Crater::AgeClass::Degraded
                                                        : Crater::AgeClass::Old;
        ASSERT_EQ(crater.ageClass, expected);
        fresh += crater.ageClass == Crater::AgeClass::Fresh;
        old += crater.ageClass == Crater::AgeClass::Old;
        // Oldest first: the field applies them in this order.
        if (i > 0) {
            ASSERT_GE(craters[i - 1].ageMyr, crater.ageMyr);
        }
    }
    EXPECT_GT(fresh, 1000);
    EXPECT_GT(old, 1000);
}

TEST(CraterPopulationTest, CratersComeFromTheKeyAloneAndLeaveTheTerrainSequence) {
    Random::Seed(42);
    Random::Next();
    const std::uint64_t drawn = Random::Drawn();
    const std::vector<Crater> first = CraterPopulation::Generate({42, 0});
    EXPECT_EQ(Random::Drawn(), drawn);
    const std::string catalogue = CraterCatalogue::Text(first);
    EXPECT_EQ(CraterCatalogue::Text(CraterPopulation::Generate({42, 0})), catalogue);
    EXPECT_NE(CraterCatalogue::Text(CraterPopulation::Generate({42, 1})), catalogue);
    EXPECT_NE(CraterCatalogue::Text(CraterPopulation::Generate({43, 0})), catalogue);

    // One line a crater after the header, numbers that read back exactly.
    EXPECT_EQ(catalogue.rfind("x,z,diameter,depth,rim_height,age_class,age_myr\n", 0), 0u);
    EXPECT_EQ(static_cast<std::size_t>(std::count(catalogue.begin(), catalogue.end(), '\n')),
              first.size() + 1);
    const std::string line = CraterCatalogue::Line(first.front());
    EXPECT_EQ(std::stod(line), first.front().x);
    EXPECT_NE(line.find(CraterPopulation::AgeClassName(first.front().ageClass)), std::string::npos);
}

}  // namespace
}  // namespace moon
