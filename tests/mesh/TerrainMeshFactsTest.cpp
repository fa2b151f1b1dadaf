// SPDX-License-Identifier: MIT
// What the viewer's export does with the library alone: the tree it shows,
// gathered from its drawing walk, described from plain facts and written as
// glTF, is the file moon-terrain export writes of the same landscape.
#include "mesh/TerrainMeshFacts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/MoonVersion.h"
#include "io/AtomicFile.h"
#include "mesh/GatheredMesh.h"
#include "mesh/MeshOutput.h"
#include "mesh/MeshWriters.h"
#include "scene/Random.h"
#include "terrain/Terrain.h"
#include "terrain/TerrainModel.h"
#include "tests/tools/ToolRun.h"

namespace moon {
namespace {

std::string libraryGlb(std::uint32_t seed, int palette, RenderMode mode) {
    Random::Seed(seed);
    TerrainModel model;
    model.Regenerate(TerrainModel::kGeneratedDepth);
    GatheredMesh mesh(MeshSharing::Vertices, mode == Wireframe, 0);
    model.GetTerrain()->Draw(mode, model.GetPalette(palette), mesh);

    TerrainMeshFacts facts;
    facts.seed = seed;
    facts.depth = TerrainModel::kGeneratedDepth;
    facts.palette = palette;
    facts.mode = mode;
    MeshDescription description = DescribeTerrainMesh(facts);
    description.generator = std::string("moon-terrain ") + kMoonVersion;

    std::FILE* out = std::tmpfile();
    AtomicFile file("-", out);
    std::string problem;
    EXPECT_TRUE(file.Open(problem)) << problem;
    MeshOutput output(file, nullptr);
    EXPECT_TRUE(WriteGlb(mesh, description, output, problem)) << problem;
    EXPECT_TRUE(file.Commit(problem)) << problem;
    return test::ReadAll(out);
}

TEST(TerrainMeshFactsTest, TheShownTreeWrittenByTheLibraryIsTheCommandsFile) {
    const char* modes[] = {"wireframe", "flat", "smooth"};
    for (const RenderMode mode : {Wireframe, Flat, Smooth}) {
        SCOPED_TRACE(modes[mode]);
        const test::ToolResult command =
            test::RunTool({"export", "--seed", "42", "--depth", "6", "--format", "glb", "--palette",
                           "3", "--mode", modes[mode], "-o", "-"});
        ASSERT_EQ(command.status, 0) << command.err;
        EXPECT_TRUE(libraryGlb(42, 3, mode) == command.out);
    }
}

}  // namespace
}  // namespace moon
