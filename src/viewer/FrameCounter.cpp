// SPDX-License-Identifier: MIT
#include "viewer/FrameCounter.h"

#include <algorithm>

namespace moon {

void FrameCounter::Count(Clock::time_point now) {
    // The first frame ever waited from the start: that is the window's
    // opening, which the period counts like any other wait.
    const Clock::time_point since = m_bAnyFrame ? m_lastFrame : m_periodStart;
    m_period.longestGap = std::max(m_period.longestGap, now - since);
    ++m_period.frames;
    m_lastFrame = now;
    m_bAnyFrame = true;
}

FrameCounter::Period FrameCounter::Take(Clock::time_point now) {
    Period period = m_period;
    // The wait still open at the period's end counts too: a view that stopped
    // drawing shows it here, not only once it draws again.
    const Clock::time_point since =
        m_bAnyFrame ? std::max(m_lastFrame, m_periodStart) : m_periodStart;
    period.longestGap = std::max(period.longestGap, now - since);
    period.length = now - m_periodStart;
    m_period = Period();
    m_periodStart = now;
    return period;
}

}  // namespace moon
