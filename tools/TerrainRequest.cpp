// SPDX-License-Identifier: MIT
#include "tools/TerrainRequest.h"

#include "cli/CommandValues.h"
#include "cli/OptionParser.h"
#include "cli/RegenerationsOption.h"
#include "cli/SeedOption.h"
#include "scene/Random.h"
#include "terrain/HeightGrid.h"
#include "terrain/TerrainModel.h"
#include "viewer/StarField.h"

namespace moon {

void TerrainRequest::AddOptions(OptionParser& parser) {
    AddOptions(parser, DepthLimit());
}

void TerrainRequest::AddOptions(OptionParser& parser, const DepthLimit& limit) {
    AddSeedOption(parser, seed, "seed of the random sequence, 0 to 4294967295 (required)");
    parser.AddValue(
        "--depth", "D", limit.help,
        [this, limit](std::string_view name, std::string_view value) -> std::string {
            const std::string range = "0 to " + std::to_string(limit.max);
            std::int64_t number = 0;
            switch (ParseWholeNumber(value, 0, limit.max, number)) {
                case WholeNumber::Ok:
                    depth = static_cast<int>(number);
                    return "";
                case WholeNumber::OutOfRange:
                    // Only a depth above the limit is about memory.
                    return std::string(name) + " " + std::string(value) + " is outside " + range +
                           (value.starts_with('-') ? "" : std::string(": ") + limit.deeper);
                case WholeNumber::Malformed:
                    break;
            }
            return std::string(name) + " must be a whole number from " + range + ", not " +
                   Quoted(value);
        });
    parser.AddValue(
        "--lod", "X,Y,Z", "level-of-detail pass around the viewpoint (X, Y, Z); repeatable",
        [this](std::string_view name, std::string_view value) -> std::string {
            Vec3 viewpoint;
            if (!ParsePoint(value, viewpoint)) {
                return std::string(name) + " must be three numbers X,Y,Z, not " + Quoted(value);
            }
            passes.push_back(DetailPass{viewpoint, true});
            return "";
        },
        true);
    parser.AddFlag("--refine",
                   "the viewer's depth-6 landscape, refined below depth 6 with lunar roughness "
                   "(the same heights at every depth)",
                   [this] { refine = true; });
    parser.AddFlag("--craters",
                   "a crater field from the seed on the refined landscape (implies --refine; "
                   "the catalogue: moon-terrain craters)",
                   [this] {
                       craters = true;
                       refine = true;
                   });
    AddRegenerationsOption(parser, regeneration);
    parser.AddFlag(
        "--lod-off", "level-of-detail pass with detail off (back to the generated cells)",
        [this] {
            passes.push_back(DetailPass{Vec3(), false});
        },
        true);
}

std::string TerrainRequest::CheckComplete() const {
    if (!seed) {
        return "--seed is required";
    }
    if (!depth) {
        return "--depth is required";
    }
    return "";
}

void TerrainRequest::SeedSequence(std::uint32_t seed, std::uint32_t regeneration) {
    Random::Seed(seed);
    if (regeneration == 0) {
        return;
    }
    // The viewer's first landscape, then its stars.
    HeightGrid first;
    first.Generate(TerrainModel::kGeneratedDepth);
    const std::uint64_t perLandscape = Random::Drawn();
    StarField stars;
    stars.Fill(StarField::kStarRange, StarField::kStarRange, StarField::kStarCount);
    // Each regeneration before this one draws as the first landscape did.
    Random::Skip(perLandscape * (regeneration - 1));
}

void TerrainRequest::Build(TerrainModel& model) const {
    SeedSequence(seed.value_or(0), regeneration);
    model.SetNextLandscape(regeneration);
    if (refine) {
        model.EnableRefinement(seed.value_or(0), craters);
    }
    model.Regenerate(depth.value_or(0));
    for (const DetailPass& pass : passes) {
        model.UpdateDetail(pass.viewpoint, pass.enabled);
    }
}

}  // namespace moon
