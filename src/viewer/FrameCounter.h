// SPDX-License-Identifier: MIT
// How a view's frames come: how many were shown in a period, and the longest
// wait between two of them (the wait from the last frame before the period
// counts in the period it ends in). For --verbose and the soaks, which read
// smoothness from the program's own count rather than from screenshots.
#pragma once

#include <chrono>

namespace moon {

class FrameCounter {
public:
    using Clock = std::chrono::steady_clock;

    struct Period {
        int frames = 0;
        // The longest wait between two frames ending in the period; from the
        // period's start when fewer than two frames bound it.
        Clock::duration longestGap{};
        Clock::duration length{};
    };

    explicit FrameCounter(Clock::time_point start = Clock::now()) : m_periodStart(start) {}

    // A frame shown at now.
    void Count(Clock::time_point now);
    // The period from the last Take (or the start) to now, and a new one begun.
    // A view that showed nothing has waited the whole period.
    Period Take(Clock::time_point now);

private:
    Clock::time_point m_periodStart;
    Clock::time_point m_lastFrame{};
    bool m_bAnyFrame = false;
    Period m_period;
};

}  // namespace moon
