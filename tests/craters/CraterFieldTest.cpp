// SPDX-License-Identifier: MIT
#include "craters/CraterField.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "craters/CraterLaws.h"
#include "craters/CraterPopulation.h"
#include "craters/CraterProfiles.h"

namespace moon {
namespace {

Crater makeCrater(double x, double z, double diameter, int level, double ageMyr) {
    Crater crater;
    crater.x = x;
    crater.z = z;
    crater.diameter = diameter;
    crater.level = level;
    crater.ageMyr = ageMyr;
    return crater;
}

TEST(CraterFieldTest, RowsOfAnySpacingGiveTheFieldAtTheirPositions) {
    const CraterField field(CraterPopulation::Generate({5, 0}));
    std::vector<double> scratch;
    // A depth-10 row and a tile's row of a depth-12 grid, on the same z.
    for (const auto& [west, spacing, count] :
         {std::tuple{0.0, 500.0 / 1024, 1025}, std::tuple{125.0, 500.0 / 4096, 1025}}) {
        const double z = 300 * (500.0 / 1024) - 500.0;
        std::vector<double> row(static_cast<std::size_t>(count), 1.0);
        field.AddToRow(row.data(), count, west, spacing, z, scratch);
        int mismatches = 0;
        for (int k = 0; k < count; ++k) {
            const double expected = 1.0 + field.At(west + k * spacing, z);
            mismatches += row[static_cast<std::size_t>(k)] != expected;
            ASSERT_GE(row[static_cast<std::size_t>(k)] - 1.0, field.GetLowest());
            ASSERT_LE(row[static_cast<std::size_t>(k)] - 1.0, field.GetHighest());
        }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(CraterFieldTest, AYoungerCraterCutsIntoAnOlderOne) {
    const CraterProfiles& profiles = CraterProfiles::Get();
    // An old large crater, a young small one on its wall, listed oldest first.
    const CraterField field({makeCrater(250, -250, 40, 10, 2000), makeCrater(262, -250, 6, 0, 1)});
    // The young crater's floor is its own below the old relief at its centre:
    // the old wall is levelled there.
    const double levelled = profiles.Height(10, 12.0 / 20) * 40;
    EXPECT_NEAR(field.At(262, -250), levelled + profiles.Height(0, 0.0) * 6, 1e-9);
    EXPECT_NEAR(field.At(262.5, -250), levelled + profiles.Height(0, 0.5 / 3) * 6,
                std::fabs(levelled) * 0.03);
    // At its rim the old relief is kept whole, and the young rim sits on it.
    const double rim = 262 + 3 * CraterLaws::kRimRadius;
    EXPECT_NEAR(field.At(rim, -250),
                profiles.Height(10, (rim - 250) / 20) * 40 + profiles.Height(0, 0.98) * 6, 1e-9);
    // Beyond both reaches, nothing.
    EXPECT_EQ(field.At(250, -250 + 20 * CraterLaws::kReach + 0.1), 0.0);
    // Its ejecta lie on top of the older relief.
    EXPECT_NEAR(field.At(262 + 4.5, -250),
                profiles.Height(10, 16.5 / 20) * 40 + profiles.Height(0, 1.5) * 6, 1e-9);
}

}  // namespace
}  // namespace moon
