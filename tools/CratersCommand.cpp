// SPDX-License-Identifier: MIT
// moon-terrain craters: the catalogue of the crater field that --craters lays
// on the landscape of a seed, as CSV.
#include <cstdint>
#include <optional>
#include <string>

#include "cli/OptionParser.h"
#include "cli/RegenerationsOption.h"
#include "cli/SeedOption.h"
#include "craters/CraterCatalogue.h"
#include "craters/CraterPopulation.h"
#include "io/AtomicFile.h"
#include "tools/TerrainRequest.h"
#include "tools/TerrainTool.h"

namespace moon {
namespace {

constexpr std::string_view kCratersUsage =
    "Usage: moon-terrain craters --seed N [--regenerations K] -o FILE.csv\n"
    "\n"
    "Writes the catalogue of the craters that \"export --craters\", \"dump --craters\"\n"
    "and \"moon --craters\" lay on the landscape of seed N (at start, or after K new\n"
    "landscapes; every depth has the same craters): a header row, then one crater\n"
    "a line, oldest first, the erased left out:\n"
    "  x,z,diameter,depth,rim_height,age_class,age_myr\n"
    "in world units (x east from 0, z from -500 in the north to 0; depth from rim\n"
    "crest to floor, rim height above the surroundings), the age class (fresh,\n"
    "degraded or old) and the age in millions of years, at 10 m a world unit.\n"
    "An existing FILE is replaced only once the new one is complete; - is\n"
    "standard output.\n"
    "\n"
    "Options:\n";

}  // namespace

int RunCratersCommand(const std::vector<std::string_view>& args, std::FILE* out, std::FILE* err) {
    std::optional<std::uint32_t> seed;
    std::optional<std::string> output;
    OptionParser parser;
    AddSeedOption(parser, seed, "seed of the landscape, 0 to 4294967295 (required)");
    std::uint32_t regeneration = 0;
    AddRegenerationsOption(parser, regeneration);
    auto setOutput = [&output](std::string_view name, std::string_view value) -> std::string {
        if (value.empty()) {
            return std::string(name) + " needs a file name";
        }
        if (output) {
            return "the output file is given more than once";
        }
        output = std::string(value);
        return "";
    };
    parser.AddValue("-o", "FILE", "the file to write, - for standard output (required)", setOutput);
    parser.AddValue("--output", "FILE", "the same as -o", setOutput);

    std::string problem;
    if (!parser.Parse(args, problem)) {
        return ReportUsageError(err, "craters", problem);
    }
    if (parser.HelpRequested()) {
        return PrintText(out, err, std::string(kCratersUsage) + parser.Describe());
    }
    if (!seed) {
        return ReportUsageError(err, "craters", "--seed is required");
    }
    if (!output) {
        return ReportUsageError(err, "craters", "-o FILE is required");
    }
    AtomicFile file(*output, out);
    if (!file.Open(problem)) {
        return ReportFailure(err, "craters", problem);
    }
    const std::string text =
        CraterCatalogue::Text(CraterPopulation::Generate(LandscapeKey{*seed, regeneration}));
    // A failed write is kept and reported by Commit.
    file.Write(text);
    if (!file.Commit(problem)) {
        return ReportFailure(err, "craters", problem);
    }
    return kExitOk;
}

}  // namespace moon
