// SPDX-License-Identifier: MIT
// The viewer's command line. With no arguments moon runs as it always has:
// the landscape comes from the clock. Everything else is an addition:
//   --help, --version       print and end (status 0), no window
//   --seed N                the landscape a clock second giving N would show
//   --verbose               the seed used and the GL renderer on standard error
//   --refine                level of detail refines with lunar roughness
//   --craters               and the landscape carries the seed's craters
//   --regenerations K       the landscape after K presses of Space
//   --save-dir DIR          where P and E keep their files
//   --render FILE [--frames K]
//                           draw K frames of each view without a display and
//                           write both pictures side by side as a PNG
// A bad command line is one line on standard error and status 2.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace moon {

class ViewerOptions {
public:
    enum class Action { Run, Help, Version, Render };

    // The circling light turns a degree per frame: a full turn at most.
    static constexpr int kMaxFrames = 360;

    // args: the arguments after the program name. False with a one-line
    // problem (no newline) for a bad command line.
    bool Parse(const std::vector<std::string_view>& args, std::string& problem);

    // The text of --help.
    static std::string Usage();

    Action action = Action::Run;
    std::optional<std::uint32_t> seed;
    bool verbose = false;
    bool refine = false;
    bool craters = false;  // implies refine
    std::uint32_t regenerations = 0;
    std::optional<std::string> saveDir;
    std::string renderPath;
    int frames = 1;
};

}  // namespace moon
