// SPDX-License-Identifier: MIT
#include "craters/CraterProfiles.h"

#include <algorithm>

#include "base/Check.h"
#include "craters/CraterLaws.h"

namespace moon {
namespace {

static_assert(CraterProfiles::kSpacing * CraterProfiles::kSamples == CraterLaws::kReach);
// Implicit steps a level: the wear of one level is taken in four.
constexpr int kStepsPerLevel = 4;
// Levels kept past erasure, as a share of the levels before it: a crater's
// wear is drawn over a quarter more than its life, and those past it are
// erased.
constexpr int kErasedShareDivisor = 4;

}  // namespace

const CraterProfiles& CraterProfiles::Get() {
    static const CraterProfiles profiles;
    return profiles;
}

CraterProfiles::CraterProfiles() {
    // Diffusion spreads a profile beyond the reach: it runs over twice the
    // reach, with the height held at 0 there.
    std::vector<double> heights(2 * kSamples + 1, 0.0);
    for (int i = 0; i <= kSamples; ++i) {
        heights[static_cast<std::size_t>(i)] = CraterLaws::FreshProfile(i * kSpacing);
    }
    m_levels.push_back(Measure(heights));
    // Wear until the crater is erased, then a quarter as long again.
    int last = -1;
    while (last < 0 || GetLevelCount() <= last) {
        for (int step = 0; step < kStepsPerLevel; ++step) {
            Diffuse(heights, kLevelStep / kStepsPerLevel);
        }
        m_levels.push_back(Measure(heights));
        if (last < 0 && m_levels.back().depth < CraterLaws::kErasedDepthRatio) {
            m_erasedLevel = GetLevelCount() - 1;
            last = m_erasedLevel + m_erasedLevel / kErasedShareDivisor;
        }
        MOON_CHECK(GetLevelCount() < 10000, "diffusion erases a crater");
    }
}

std::size_t CraterProfiles::Index(int level) {
    MOON_CHECK(level >= 0);
    return static_cast<std::size_t>(level);
}

// The part of a diffused profile within the reach, less what lies beyond:
// the height at the reach, taken off in proportion to rho^2, so that the
// profile ends at 0 without a step and its centre keeps its height.
CraterProfiles::Level CraterProfiles::Measure(const std::vector<double>& diffused) {
    std::vector<double> heights(diffused.begin(), diffused.begin() + kSamples + 1);
    const double beyond = heights[kSamples];
    for (int i = 0; i <= kSamples; ++i) {
        const double share = static_cast<double>(i) / kSamples;
        heights[static_cast<std::size_t>(i)] -= beyond * share * share;
    }
    Level level;
    const auto [lowest, highest] = std::minmax_element(heights.begin(), heights.end());
    level.lowest = *lowest;
    level.highest = *highest;
    level.depth = *highest - *lowest;
    level.heights = std::move(heights);
    return level;
}

// dh/dx = 4 (h'' + h' / rho) in rho = r / R and x = kappa t / D^2 (the
// Laplacian in r is 4 / D^2 times that in rho). Backward Euler: (1 - s L) h'
// = h with s = 4 wear / spacing^2; at the centre the Laplacian is
// 4 (h1 - h0) / spacing^2, at the reach the height stays 0. Solved by the
// Thomas algorithm.
void CraterProfiles::Diffuse(std::vector<double>& heights, double wear) {
    const int n = static_cast<int>(heights.size()) - 1;
    const double s = 4.0 * wear / (kSpacing * kSpacing);
    std::vector<double> upper(static_cast<std::size_t>(n));
    std::vector<double> right(static_cast<std::size_t>(n));
    // Row 0: (1 + 4s) h0 - 4s h1.
    double diagonal = 1.0 + 4.0 * s;
    upper[0] = -4.0 * s / diagonal;
    right[0] = heights[0] / diagonal;
    for (int i = 1; i < n; ++i) {
        const double half = 1.0 / (2.0 * i);
        const double lower = -s * (1.0 - half);
        const double above = -s * (1.0 + half);
        diagonal = 1.0 + 2.0 * s - lower * upper[static_cast<std::size_t>(i) - 1];
        upper[static_cast<std::size_t>(i)] = above / diagonal;
        right[static_cast<std::size_t>(i)] = (heights[static_cast<std::size_t>(i)] -
                                              lower * right[static_cast<std::size_t>(i) - 1]) /
                                             diagonal;
    }
    heights[static_cast<std::size_t>(n)] = 0.0;
    for (int i = n - 1; i >= 0; --i) {
        heights[static_cast<std::size_t>(i)] =
            right[static_cast<std::size_t>(i)] -
            upper[static_cast<std::size_t>(i)] * heights[static_cast<std::size_t>(i) + 1];
    }
}

}  // namespace moon
