// SPDX-License-Identifier: MIT
// moon-terrain with --craters: the craters' catalogue, fresh craters measured
// in the heightmap at the depth the catalogue gives, tiles and depths that
// agree, and meshes that say where the catalogue is.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "craters/CraterCatalogue.h"
#include "craters/CraterLaws.h"
#include "craters/CraterPopulation.h"
#include "tests/support/TempFolder.h"
#include "tests/tools/ExportedMesh.h"
#include "tests/tools/HeightmapFiles.h"
#include "tests/tools/ToolRun.h"

namespace moon {
namespace {

using test::RunTool;

class CraterExportTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return m_folder.Path(name); }
    void Run(const std::vector<std::string>& args) {
        const test::ToolResult result = RunTool(args);
        ASSERT_EQ(result.status, 0) << result.err;
    }
    test::TempFolder m_folder{"moon-crater-export-test"};
};

struct Listed {
    double x, z, diameter, depth;
    std::string ageClass;
};

std::vector<Listed> readCatalogue(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    std::vector<Listed> craters;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Listed crater;
        std::string field;
        std::getline(fields, field, ',');
        crater.x = std::stod(field);
        std::getline(fields, field, ',');
        crater.z = std::stod(field);
        std::getline(fields, field, ',');
        crater.diameter = std::stod(field);
        std::getline(fields, field, ',');
        crater.depth = std::stod(field);
        std::getline(fields, field, ',');
        std::getline(fields, crater.ageClass, ',');
        craters.push_back(crater);
    }
    return craters;
}

TEST_F(CraterExportTest, TheCatalogueListsTheFieldsCraters) {
    Run({"craters", "--seed", "42", "-o", Path("craters.csv")});
    const std::string text = test::TempFolder::ReadFile(Path("craters.csv"));
    EXPECT_EQ(text, CraterCatalogue::Text(CraterPopulation::Generate({42, 0})));
    EXPECT_EQ(text.rfind("x,z,diameter,depth,rim_height,age_class,age_myr\n", 0), 0u);

    const test::ToolResult missing = RunTool({"craters", "-o", Path("x.csv")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err,
              "moon-terrain craters: --seed is required (see moon-terrain craters --help)\n");
    const test::ToolResult help = RunTool({"help", "craters"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("x,z,diameter,depth,rim_height,age_class,age_myr"), std::string::npos);
}

// The crater field measured in the heightmap: the cratered map less the
// refined one. A fresh crater that no younger one reaches into has its floor
// (the mean within a fifth of its radius) below its rim (the mean along its
// crest) by the depth the catalogue gives, within a quarter.
TEST_F(CraterExportTest, FreshCratersHaveTheirCataloguedDepthInTheHeightmap) {
    constexpr int kDepth = 11;
    constexpr int kSide = 2049;
    Run({"export", "--seed", "42", "--depth", std::to_string(kDepth), "--craters", "-o",
         Path("c.exr")});
    Run({"export", "--seed", "42", "--depth", std::to_string(kDepth), "--refine", "-o",
         Path("r.exr")});
    Run({"craters", "--seed", "42", "-o", Path("craters.csv")});
    test::FloatImage cratered;
    test::FloatImage plain;
    ASSERT_TRUE(test::ReadExr(Path("c.exr"), cratered));
    ASSERT_TRUE(test::ReadExr(Path("r.exr"), plain));
    ASSERT_EQ(cratered.samples.size(), static_cast<std::size_t>(kSide) * kSide);
    const std::vector<Listed> craters =
        readCatalogue(test::TempFolder::ReadFile(Path("craters.csv")));
    const double spacing = 500.0 / (kSide - 1);

    int measured = 0;
    for (std::size_t i = 0; i < craters.size(); ++i) {
        const Listed& crater = craters[i];
        if (crater.ageClass != "fresh" || crater.diameter < 6.0) {
            continue;
        }
        EXPECT_GE(crater.depth / crater.diameter, CraterPopulation::kFreshDepthRatio);
        EXPECT_LE(crater.depth / crater.diameter, 0.2179);
        const double radius = crater.diameter / 2;
        bool reached = crater.x < radius * 1.1 || crater.x > 500 - radius * 1.1 ||
                       crater.z < -500 + radius * 1.1 || crater.z > -radius * 1.1;
        for (std::size_t j = i + 1; j < craters.size() && !reached; ++j) {
            const double reach = craters[j].diameter / 2 * CraterLaws::kReach;
            reached =
                std::hypot(craters[j].x - crater.x, craters[j].z - crater.z) < radius * 1.1 + reach;
        }
        if (reached) {
            continue;
        }
        double floor = 0.0;
        double rim = 0.0;
        int floorSamples = 0;
        int rimSamples = 0;
        const int span = static_cast<int>(radius * 1.1 / spacing) + 1;
        const int cx = static_cast<int>(std::lround(crater.x / spacing));
        const int cz = static_cast<int>(std::lround((crater.z + 500) / spacing));
        for (int row = cz - span; row <= cz + span; ++row) {
            for (int column = cx - span; column <= cx + span; ++column) {
                const double rho =
                    std::hypot(column * spacing - crater.x, row * spacing - 500 - crater.z) /
                    radius;
                const auto at =
                    static_cast<std::size_t>(row) * kSide + static_cast<std::size_t>(column);
                const double field = static_cast<double>(cratered.samples[at]) - plain.samples[at];
                if (rho <= 0.2) {
                    floor += field;
                    ++floorSamples;
                } else if (rho >= 0.95 && rho <= 1.01) {
                    rim += field;
                    ++rimSamples;
                }
            }
        }
        ASSERT_GT(floorSamples, 0);
        ASSERT_GT(rimSamples, 0);
        floor /= floorSamples;
        rim /= rimSamples;
        EXPECT_LT(floor, rim);
        EXPECT_NEAR(rim - floor, crater.depth, crater.depth * 0.25)
            << "crater at " << crater.x << ", " << crater.z << ", diameter " << crater.diameter;
        ++measured;
    }
    EXPECT_GE(measured, 5);
}

TEST_F(CraterExportTest, TilesAndDepthsAgreeWithCraters) {
    Run({"export", "--seed", "9", "--depth", "9", "--craters", "-o", Path("whole.r16")});
    Run({"export", "--seed", "9", "--depth", "9", "--craters", "--tiles", "2", "-o",
         Path("t.r16")});
    Run({"export", "--seed", "9", "--depth", "7", "--craters", "-o", Path("seven.r16")});
    const std::vector<std::uint16_t> whole = test::ReadR16(Path("whole.r16"));
    const std::vector<std::uint16_t> seven = test::ReadR16(Path("seven.r16"));
    ASSERT_EQ(whole.size(), 513u * 513u);
    ASSERT_EQ(seven.size(), 129u * 129u);
    int off = 0;
    for (int row = 0; row < 129; ++row) {
        for (int column = 0; column < 129; ++column) {
            off += seven[static_cast<std::size_t>(row * 129 + column)] !=
                   whole[static_cast<std::size_t>(row * 4 * 513 + column * 4)];
        }
    }
    EXPECT_EQ(off, 0);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) {
            const std::vector<std::uint16_t> tile =
                test::ReadR16(Path("t_" + std::to_string(x) + "_" + std::to_string(y) + ".r16"));
            ASSERT_EQ(tile.size(), 257u * 257u);
            int tileOff = 0;
            for (int row = 0; row < 257; ++row) {
                for (int column = 0; column < 257; ++column) {
                    tileOff +=
                        tile[static_cast<std::size_t>(row * 257 + column)] !=
                        whole[static_cast<std::size_t>((256 * y + row) * 513 + 256 * x + column)];
                }
            }
            EXPECT_EQ(tileOff, 0) << x << "," << y;
        }
    }
}

TEST_F(CraterExportTest, CrateredMeshesAndDumpsSayWhereTheCatalogueIs) {
    Run({"export", "--seed", "9", "--depth", "7", "--craters", "--join", "-o", Path("m.ply")});
    test::ExportedMesh mesh;
    ASSERT_TRUE(test::ReadExportedPly(Path("m.ply"), mesh));
    EXPECT_NE(mesh.header.find("moon-terrain craters --seed 9 -o FILE.csv"), std::string::npos);
    // The viewer's depth-6 tree carries the craters too.
    const test::ToolResult plain = RunTool({"dump", "--seed", "9", "--depth", "6", "--refine"});
    const test::ToolResult cratered = RunTool({"dump", "--seed", "9", "--depth", "6", "--craters"});
    ASSERT_EQ(cratered.status, 0) << cratered.err;
    EXPECT_NE(plain.out, cratered.out);
    EXPECT_NE(cratered.out.find("\n5461 4096 13654\n"), std::string::npos);
}

}  // namespace
}  // namespace moon
