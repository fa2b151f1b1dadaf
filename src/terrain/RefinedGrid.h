// SPDX-License-Identifier: MIT
// The viewer's landscape at any size: the generated depth-6 grid, refined
// below depth 6 with lunar roughness, or sampled above it.
//
// Refinement is interpolating: a sample, once made, is never moved, so the
// grid of depth D sampled at every 2^(D-E)-th point is the grid of depth E to
// the last bit, and at E = 6 that is the generated landscape. Each level runs
// the diamond-square scheme: first every cell's centre is the mean of the
// cell's four corners (the square step), then every edge's middle is the mean
// of the edge's two ends and the two new centres beside it (the diamond step;
// three points on the square's border). A point is the mean of the points it
// lies between, plus a displacement (LunarRoughness) keyed on the landscape
// and the point's place alone.
//
// Why diamond-square: in the generated scheme an edge's middle is the mean of
// the edge's two ends only, so nothing on either side of an edge ever reaches
// it; the surface folds along every cell edge, and a hillshade shows straight
// creases along them. Here each edge point also takes the centres of the cells
// on both sides, so slopes carry across the edges and no line of the grid is
// singled out.
//
// The grid's range (GetLowest, GetHighest) is not its own lowest and highest
// sample but bounds that hold at every depth: the depth-6 range widened by the
// most refinement could add down to depth 14. So a 16-bit heightmap keeps one
// scale at every depth, and its samples too are equal across depths.
//
// A level's points of one step depend only on points made before the step,
// so the rows of a step are computed in parallel (ParallelRows) with the same
// result for any number of threads.
#pragma once

#include "scene/LandscapeKey.h"
#include "terrain/HeightGrid.h"

namespace moon {

class RefinedGrid {
public:
    // The depth of the generated landscape the refinement starts from: the
    // viewer's.
    static constexpr int kBaseDepth = 6;

    // The landscape for key at depth (0 to HeightGrid::kMaxDepth) into out:
    // generates the depth-6 grid from the random sequence, which the caller
    // has seeded (13,654 draws, as the viewer's first terrain), then refines
    // or samples it. threads 0: one a processor.
    // With craters, the key's craters (CraterPopulation, CraterField) are
    // added to every sample (at its world position, so depths still agree)
    // and the range widened by their bounds.
    static void Generate(int depth, const LandscapeKey& key, HeightGrid& out, unsigned threads = 0,
                         bool craters = false);

    // base refined (or sampled) to depth into out. base's heights are final
    // heights; a deeper base than depth is sampled, a shallower one refined
    // from its own depth.
    static void Refine(const HeightGrid& base, int depth, const LandscapeKey& key, HeightGrid& out,
                       unsigned threads = 0, bool craters = false);

    // How far refinement below baseDepth, down to HeightGrid::kMaxDepth, can
    // take a height beyond the base's range, world units.
    static double Widening(int baseDepth);

private:
    // The refinement (or sampling) alone.
    static void Spread(const HeightGrid& base, int depth, const LandscapeKey& key, HeightGrid& out,
                       unsigned threads);
};

}  // namespace moon
