// SPDX-License-Identifier: MIT
// The arithmetic of one random midpoint-displacement step, shared by the
// terrain quadtree and the flat generated grid so that both give the same
// heights to the last bit: the common corner and edge means of a cell, the
// displacement draws and their bound by depth, and the depth from which the
// common corner is no longer displaced. The root's corner heights and their
// signs are drawn here too. Every draw comes from the process-wide Random
// sequence, in the order generation makes them.
#pragma once

namespace moon {

struct MidpointStep {
    // Cells at this depth or deeper keep their children's common corner undisplaced.
    static constexpr int kDisplacedCornerDepth = 10;

    // Heights of the new points, for a cell with corners p0 (smallest x and
    // z), p1 (smallest x, largest z), p2 (largest x and z) and p3 (largest x,
    // smallest z).
    double common;  // the children's common corner, at the cell's centre
    double h03;     // edge p0-p3 (smallest z)
    double h01;     // edge p0-p1 (smallest x)
    double h12;     // edge p1-p2 (largest z)
    double h23;     // edge p2-p3 (largest x)

    // The step for a cell of the given depth with corner heights y0 to y3.
    // random: ten draws displace the four edges and, in a cell shallower than
    // kDisplacedCornerDepth, the common corner; otherwise the plain means, and
    // nothing is drawn.
    static MidpointStep Make(double y0, double y1, double y2, double y3, int depth, bool random);

    // The root's corner heights, p0 to p3: four signs drawn in that order.
    struct RootHeights {
        double y0, y1, y2, y3;
    };
    static RootHeights DrawRootHeights();
};

}  // namespace moon
