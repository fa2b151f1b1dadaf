// SPDX-License-Identifier: MIT
#include "viewer/ViewerOptions.h"

#include "cli/CommandValues.h"
#include "cli/OptionParser.h"
#include "cli/RegenerationsOption.h"
#include "cli/SeedOption.h"

namespace moon {
namespace {

constexpr std::string_view kUsageHead =
    "Usage: moon [--seed N] [--regenerations K] [--refine] [--craters]\n"
    "            [--save-dir DIR] [--verbose]\n"
    "       moon --render FILE.png [--seed N] [--regenerations K] [--refine]\n"
    "            [--craters] [--frames K] [--verbose]\n"
    "\n"
    "Shows a procedurally generated lunar landscape in two windows: a perspective\n"
    "view you fly with the mouse and a plan view that follows the camera. Without\n"
    "--seed the landscape comes from the clock, so every run shows a new one.\n"
    "\n"
    "Options:\n";

constexpr std::string_view kUsageTail =
    "\n"
    "A landscape seen with --seed N is the one \"moon-terrain dump --seed N --depth 6\"\n"
    "prints and \"moon-terrain export --seed N --depth 6 -o FILE\" writes. With --refine,\n"
    "the cells level of detail makes near the camera carry the heights of\n"
    "\"moon-terrain export --seed N --refine --depth D -o FILE\". After K presses of\n"
    "Space the landscape is the one \"moon --seed N --regenerations K\" starts with;\n"
    "with --verbose, moon names each new landscape and the command that exports it.\n"
    "P saves a picture of both views and E the landscape as shown (a .glb), as\n"
    "moon-SEED-K-N.png and .glb in the save folder: --save-dir, else the pictures\n"
    "folder, else the current folder. Nothing is overwritten.\n"
    "See moon(6) for the controls.\n";

// A value handler for an option naming a file or folder: an empty name is
// refused as needing what.
template <typename Store>
auto storeName(const char* what, Store store) {
    return [what, store](std::string_view name, std::string_view value) -> std::string {
        if (value.empty()) {
            return std::string(name) + " needs " + what;
        }
        store(value);
        return "";
    };
}

// version and framesGiven record what only matters once parsing is over.
void addOptions(OptionParser& parser, ViewerOptions& options, bool& version, bool& framesGiven) {
    AddSeedOption(parser, options.seed,
                  "seed of the landscape, 0 to 4294967295 (default: the clock in seconds)");
    AddRegenerationsOption(parser, options.regenerations);
    parser.AddFlag("--refine",
                   "refine near the camera with lunar roughness instead of plain means (the "
                   "landscape of moon-terrain export --refine)",
                   [&options] { options.refine = true; });
    parser.AddFlag("--craters",
                   "lay the seed's craters on the refined landscape (implies --refine; the "
                   "catalogue: moon-terrain craters)",
                   [&options] {
                       options.craters = true;
                       options.refine = true;
                   });
    parser.AddValue("--save-dir", "DIR",
                    "where P (a picture) and E (the landscape as a .glb) save (default: the "
                    "pictures folder, else the current folder)",
                    storeName("a folder", [&options](std::string_view value) {
                        options.saveDir = std::string(value);
                    }));
    parser.AddFlag("--verbose",
                   "print the seed, the OpenGL renderer, each new landscape's count and, every "
                   "10 s, each view's frames on standard error",
                   [&options] { options.verbose = true; });
    parser.AddValue("--render", "FILE",
                    "draw without a display and write both views side by side as a PNG "
                    "(- for standard output)",
                    storeName("a file name", [&options](std::string_view value) {
                        options.renderPath = std::string(value);
                    }));
    parser.AddValue(
        "--frames", "K",
        "frames drawn of each view before the picture, 1 to 360 (default 1); the "
        "circling light stands at K degrees",
        [&options, &framesGiven](std::string_view name, std::string_view value) -> std::string {
            framesGiven = true;
            std::int64_t number = 0;
            if (ParseWholeNumber(value, 1, ViewerOptions::kMaxFrames, number) != WholeNumber::Ok) {
                return std::string(name) + " must be a whole number from 1 to 360, not " +
                       Quoted(value);
            }
            options.frames = static_cast<int>(number);
            return "";
        });
    parser.AddFlag("--version", "print the version and end", [&version] { version = true; });
}

}  // namespace

bool ViewerOptions::Parse(const std::vector<std::string_view>& args, std::string& problem) {
    OptionParser parser;
    bool version = false;
    bool framesGiven = false;
    addOptions(parser, *this, version, framesGiven);
    if (!parser.Parse(args, problem)) {
        return false;
    }
    if (parser.HelpRequested()) {
        action = Action::Help;
    } else if (version) {
        action = Action::Version;
    } else if (!renderPath.empty()) {
        action = Action::Render;
    } else if (framesGiven) {
        problem = "--frames needs --render FILE";
        return false;
    }
    return true;
}

std::string ViewerOptions::Usage() {
    OptionParser parser;
    ViewerOptions options;
    bool version = false;
    bool framesGiven = false;
    addOptions(parser, options, version, framesGiven);
    return std::string(kUsageHead) + parser.Describe() + std::string(kUsageTail);
}

}  // namespace moon
