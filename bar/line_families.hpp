// The four families of search lines: how each walks, where its lines lie
// and how the search moves from one line, and one family, to the next.
#pragma once

#include <cstdint>

#include "bar/stages.hpp"

namespace zr::bar {

// How a family's lines are walked and confirmed.
struct Geometry {
    std::uint8_t walkStep;   // step code along the line
    std::uint8_t collector;  // RunScan direction code of its probes
    Point secondOffset;      // start of the second probe, relative to the first probe's
    Point lineShift;         // from one following line to the next
    int secondSpacing;       // distance of the second probe's line, in pixels across the lines
    std::uint8_t fitEdges;   // LineFitAngle mode: direction bits of the edges' orientation
    double addedAngle;       // from the edges' angle to the reading angle
};
const Geometry &GeometryOf(Family family);

// Position along the line direction: x, y, or a diagonal's x -/+ y.
int AlongOf(Family family, Point p);
// Pixels per unit of AlongOf.
double AlongScale(Family family);
// The point of the line through `onLine` whose along-position is `along`.
Point PointOnLine(Family family, Point onLine, int along);

// The reading senses a family's candidates may be decoded in.
std::uint8_t ReadingSense(Family family, std::uint8_t directions);
// The family searched after `family`; Done after the last.
Family FollowingFamily(Family family, std::uint8_t directions);

// The current line is finished. `byCandidate`: a candidate reached its end,
// so the next line comes closer (5 instead of 7).
void FinishLine(LineSearch &search, bool byCandidate);

}  // namespace zr::bar
