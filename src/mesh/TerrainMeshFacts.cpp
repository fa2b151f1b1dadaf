// SPDX-License-Identifier: MIT
#include "mesh/TerrainMeshFacts.h"

#include "craters/CraterCatalogue.h"

namespace moon {
namespace {

// The comment lines of PLY and OBJ.
std::vector<std::string> commentLines(const TerrainMeshFacts& facts) {
    std::string passLine;
    for (const std::string& pass : facts.passes) {
        passLine += (passLine.empty() ? "" : " ") + pass;
    }
    std::vector<std::string> comments = {
        "moon terrain, seed " + std::to_string(facts.seed) +
            (facts.regeneration > 0 ? ", regeneration " + std::to_string(facts.regeneration) : "") +
            ", depth " + std::to_string(facts.depth) + ", palette " +
            std::to_string(facts.palette) + ", " + RenderModeName(facts.mode),
        "level-of-detail passes: " + (passLine.empty() ? std::string("none") : passLine),
        "units: world units; axes: y up, x from 0 to 500, z from -500 to 0",
        "triangles counter-clockwise seen from above (+y)",
    };
    if (facts.refined) {
        comments.push_back(
            "refined: the depth-6 landscape, refined below depth 6 with lunar roughness "
            "(Hurst exponent 0.9)");
    }
    if (facts.craters) {
        comments.push_back("craters: a crater field from the seed; its catalogue: " +
                           CraterCatalogue::Command(facts.seed, facts.regeneration));
    }
    if (facts.joined) {
        comments.push_back(
            "joined: one vertex per position, normals the mean of the face normals around it");
    }
    return comments;
}

// The glTF asset's extras. Pass texts hold only digits, signs, dots, commas
// and letters, so they need no escaping in JSON.
std::string extrasJson(const TerrainMeshFacts& facts) {
    std::string passJson;
    for (const std::string& pass : facts.passes) {
        passJson += (passJson.empty() ? "\"" : ",\"") + pass + "\"";
    }
    return "{\"units\":\"world units\",\"axes\":\"y up, x from 0 to 500, z from -500 to 0\","
           "\"seed\":" +
           std::to_string(facts.seed) +
           (facts.regeneration > 0 ? ",\"regeneration\":" + std::to_string(facts.regeneration)
                                   : "") +
           ",\"depth\":" + std::to_string(facts.depth) +
           ",\"palette\":" + std::to_string(facts.palette) + ",\"mode\":\"" +
           RenderModeName(facts.mode) + "\",\"passes\":[" + passJson +
           "],\"joined\":" + (facts.joined ? "true" : "false") +
           (facts.refined ? ",\"refined\":true" : "") + (facts.craters ? ",\"craters\":true" : "") +
           "}";
}

}  // namespace

MeshDescription DescribeTerrainMesh(const TerrainMeshFacts& facts) {
    MeshDescription description;
    description.comments = commentLines(facts);
    description.extrasJson = extrasJson(facts);
    return description;
}

}  // namespace moon
