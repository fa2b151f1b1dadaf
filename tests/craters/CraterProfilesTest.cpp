// SPDX-License-Identifier: MIT
#include "craters/CraterProfiles.h"

#include <gtest/gtest.h>

#include "craters/CraterLaws.h"

namespace moon {
namespace {

TEST(CraterProfilesTest, FreshCratersHaveFassettAndThomsonsFloorRimAndDepth) {
    EXPECT_EQ(CraterLaws::FreshProfile(0.0), -0.181);
    EXPECT_EQ(CraterLaws::FreshProfile(0.2), -0.181);
    EXPECT_NEAR(CraterLaws::FreshProfile(0.98), 0.0368, 0.0002);
    // Continuous at the rim, thinning beyond it, nothing at the reach.
    EXPECT_NEAR(CraterLaws::FreshProfile(0.98 + 1e-9), CraterLaws::FreshProfile(0.98), 1e-8);
    EXPECT_LT(CraterLaws::FreshProfile(1.5), CraterLaws::FreshProfile(1.2));
    EXPECT_GT(CraterLaws::FreshProfile(1.5), 0.0);
    EXPECT_EQ(CraterLaws::FreshProfile(CraterLaws::kReach), 0.0);
    EXPECT_EQ(CraterLaws::FreshProfile(7.0), 0.0);

    const CraterProfiles& profiles = CraterProfiles::Get();
    EXPECT_NEAR(profiles.DepthRatio(0), 0.218, 0.001);
    EXPECT_NEAR(profiles.RimRatio(0), 0.0368, 0.0002);
    EXPECT_EQ(profiles.Height(0, 0.0), -0.181);
    EXPECT_EQ(profiles.Height(0, CraterLaws::kReach), 0.0);
}

TEST(CraterProfilesTest, DiffusionWearsCratersDownUntilTheyAreErased) {
    const CraterProfiles& profiles = CraterProfiles::Get();
    ASSERT_GT(profiles.GetErasedLevel(), 10);
    ASSERT_GT(profiles.GetLevelCount(), profiles.GetErasedLevel());
    for (int level = 1; level < profiles.GetLevelCount(); ++level) {
        EXPECT_LT(profiles.DepthRatio(level), profiles.DepthRatio(level - 1)) << level;
        EXPECT_LE(profiles.RimRatio(level), profiles.RimRatio(level - 1)) << level;
        // Shallower and softer: the floor rises, and the profile still ends at the reach.
        EXPECT_GT(profiles.Height(level, 0.0), profiles.Height(level - 1, 0.0)) << level;
        EXPECT_EQ(profiles.Height(level, CraterLaws::kReach), 0.0);
    }
    const int erased = profiles.GetErasedLevel();
    EXPECT_LT(profiles.DepthRatio(erased), CraterLaws::kErasedDepthRatio);
    EXPECT_GE(profiles.DepthRatio(erased - 1), CraterLaws::kErasedDepthRatio);
    // Fassett and Thomson's rate: at 5.5 m^2/Myr a 300 m crater is erased
    // well within 3 Gyr, a 1 km one is not.
    EXPECT_LT(CraterProfiles::Degradation(erased), CraterLaws::Degradation(30.0, 3000.0));
    EXPECT_GT(CraterProfiles::Degradation(erased), CraterLaws::Degradation(100.0, 3000.0));
}

}  // namespace
}  // namespace moon
