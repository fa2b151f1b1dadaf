// SPDX-License-Identifier: MIT
#include "tools/ExportProgress.h"

#include <unistd.h>

#include <string>

namespace moon {
namespace {

// Redrawn at most this often: a terminal is slow next to the export.
constexpr auto kRedraw = std::chrono::milliseconds(100);

}  // namespace

ExportProgress::ExportProgress(std::FILE* err, bool enabled, Clock::duration delay)
    : m_pErr(err), m_bEnabled(enabled), m_start(Clock::now()), m_delay(delay) {}

bool ExportProgress::IsTerminal(std::FILE* err) {
    return err != nullptr && ::isatty(::fileno(err)) == 1;
}

void ExportProgress::Update(std::string_view stage, double fraction) {
    if (!m_bEnabled) {
        return;
    }
    const Clock::time_point now = Clock::now();
    if (now - m_start < m_delay || (m_bShown && now - m_lastShown < kRedraw)) {
        return;
    }
    const int percent = static_cast<int>(fraction * 100.0 + 0.5);
    if (m_bShown && percent == m_lastPercent && stage == m_lastStage) {
        return;
    }
    // Carriage return, the line, then erase what a longer line left.
    const std::string line = "\rmoon-terrain export: " + std::string(stage) + " " +
                             std::to_string(percent < 0     ? 0
                                            : percent > 100 ? 100
                                                            : percent) +
                             "%\x1b[K";
    std::fputs(line.c_str(), m_pErr);
    std::fflush(m_pErr);
    m_bShown = true;
    m_lastShown = now;
    m_lastPercent = percent;
    m_lastStage = std::string(stage);
}

void ExportProgress::Finish() {
    if (m_bShown) {
        std::fputs("\r\x1b[K", m_pErr);
        std::fflush(m_pErr);
        m_bShown = false;
    }
}

}  // namespace moon
