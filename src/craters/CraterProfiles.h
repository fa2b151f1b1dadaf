// SPDX-License-Identifier: MIT
// Crater profiles at every stage of their wear: the fresh profile
// (CraterLaws::FreshProfile) diffused in steps of kappa t / D^2, as a table of
// height / D against rho = r / R from the centre to CraterLaws::kReach. A
// profile's shape depends on kappa t / D^2 alone, so one table serves every
// crater. Diffusion is solved implicitly (backward Euler on the radial
// Laplacian, a tridiagonal system), with only + - * /: the same table on
// every platform. Between samples heights are interpolated linearly, so a
// profile never passes its samples' range.
#pragma once

#include <vector>

namespace moon {

class CraterProfiles {
public:
    // Samples from the centre to the reach, and the wear between levels.
    static constexpr int kSamples = 512;
    static constexpr double kLevelStep = 0.002;  // kappa t / D^2

    // The one table, made on first use.
    static const CraterProfiles& Get();

    // Levels 0 (fresh) to GetLevelCount() - 1; the last levels are past
    // GetErasedLevel(), the first whose depth / diameter is below
    // CraterLaws::kErasedDepthRatio.
    int GetLevelCount() const { return static_cast<int>(m_levels.size()); }
    int GetErasedLevel() const { return m_erasedLevel; }
    // kappa t / D^2 at a level.
    static double Degradation(int level) { return level * kLevelStep; }

    // height / D at rho (0 or more) for a crater at level.
    double Height(int level, double rho) const {
        return Interpolate(Samples(level), rho / kSpacing);
    }
    // The level's kSamples + 1 samples, kSpacing apart in rho, the last 0.
    static constexpr double kSpacing = 2.0 / kSamples;
    const double* Samples(int level) const { return m_levels[Index(level)].heights.data(); }
    // Between the samples, at a place from 0 (the centre) to kSamples (the
    // reach, where the profile ends) in units of kSpacing.
    static double Interpolate(const double* samples, double at) {
        if (!(at < kSamples)) {
            return 0.0;
        }
        const int i = static_cast<int>(at);
        const double below = samples[i];
        return below + (at - i) * (samples[i + 1] - below);
    }
    // Rim crest to floor, and rim crest above the surroundings, / D.
    double DepthRatio(int level) const { return m_levels[Index(level)].depth; }
    double RimRatio(int level) const { return m_levels[Index(level)].highest; }
    // The lowest and highest height / D of the level's profile.
    double Lowest(int level) const { return m_levels[Index(level)].lowest; }
    double Highest(int level) const { return m_levels[Index(level)].highest; }

private:
    struct Level {
        std::vector<double> heights;  // kSamples + 1, the last at the reach (0)
        double lowest = 0.0;
        double highest = 0.0;
        double depth = 0.0;  // highest (the rim crest) less lowest
    };

    CraterProfiles();
    static std::size_t Index(int level);
    // One backward-Euler step of the given wear.
    static void Diffuse(std::vector<double>& heights, double wear);
    static Level Measure(const std::vector<double>& diffused);

    std::vector<Level> m_levels;
    int m_erasedLevel = 0;
};

}  // namespace moon
