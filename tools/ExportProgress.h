// SPDX-License-Identifier: MIT
// The progress line of a long export: "moon-terrain export: writing 42%",
// redrawn in place on standard error. Shown only when standard error is a
// terminal (never into a log or a pipe) and only once the export has run for
// a while, so quick exports stay silent.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

namespace moon {

class ExportProgress {
public:
    using Clock = std::chrono::steady_clock;

    // enabled: whether to show anything (the caller checks for a terminal);
    // delay: how long the export runs before the line first appears.
    ExportProgress(std::FILE* err, bool enabled, Clock::duration delay = std::chrono::seconds(1));

    // fraction: 0 to 1 of the stage.
    void Update(std::string_view stage, double fraction);
    // Clears the line if one was shown.
    void Finish();

    // Whether err is a terminal.
    static bool IsTerminal(std::FILE* err);

private:
    std::FILE* m_pErr;
    bool m_bEnabled;
    Clock::time_point m_start;
    Clock::time_point m_lastShown;
    Clock::duration m_delay;
    bool m_bShown = false;
    int m_lastPercent = -1;
    std::string m_lastStage;
};

}  // namespace moon
