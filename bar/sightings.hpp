// The linear reader's second look, inside: symbols read on single lines
// (sightings) placed in the picture and gathered into results
// (sightings.cpp), and the parts of the picture and of each line that the
// sweeps read (sweep_regions.cpp). RunGreyLook (second_look.cpp) drives them.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "bar/grey_look.hpp"
#include "core/geom/geom.hpp"

namespace zr::bar {

// Symbologies whose check characters make one line enough; every other
// symbol must be read alike on lines apart (kWeakSpread).
constexpr std::uint32_t kStronglyChecked =
    ZR_BAR_EAN13 | ZR_BAR_UPCA | ZR_BAR_CODE128 | ZR_BAR_EAN128 | ZR_BAR_CODE93 | kAddOns;
// Two sightings are one symbol when their ends lie within this share of
// the symbol's length of each other.
constexpr double kSameEnds = 0.25;
// Line spacings between the farthest sightings of a weakly checked symbol.
constexpr int kWeakSpread = 2;

// A symbol read on one line, placed in the picture.
struct Sighting {
    LineReading reading;
    GreyFamily family = GreyFamily::Rows;
    int across = 0;
    geom::PointF start, end;  // the symbol's first and last edge in its reading sense
    double angle = 0;
    int group = -1;
};

inline bool Diagonal(GreyFamily family) {
    return family == GreyFamily::DiagonalDown || family == GreyFamily::DiagonalUp;
}
inline geom::PointF PointOn(const GreyLine &line, double position) {
    return {line.x0 + position * line.dx, line.y0 + position * line.dy};
}
// Unit vector across the lines of a family.
geom::PointF Across(GreyFamily family);

Sighting Place(const LineReading &r, const GreyLine &line);
bool SameSymbol(const Sighting &a, const Sighting &b);
// Sightings of one symbol form a group; a group seen often enough is stored
// after the results already held (see sightings.cpp). ListFull when a
// symbol found no room, else `end`.
PassEnd StoreGroups(ZrBarScanner &scanner, std::vector<Sighting> &sightings, const LinePlan &plan,
                    PassEnd end);

// A convex quadrilateral in the picture.
using Region = std::array<geom::PointF, 4>;
// A box widened on every side by `share` of its larger side, within the search rectangle.
Rect Widened(const Rect &box, const Rect &area, double share);
// A result's outline's bounding box widened on every side by `share` of its size, within `area`.
Rect AroundSymbol(const ZrBarResult &r, const Rect &area, double share);
// The part of `area` where an add-on of the main symbol `r` may stand: its
// box widened by `share` of its size ahead in its reading direction and by
// `behind` the other way (room for its leading quiet zone).
Rect AfterSymbol(const ZrBarResult &r, const Rect &area, double share, double behind);
// Where a main EAN/UPC symbol has been read, as a stored result or a confirmed sighting.
Region AroundResult(const ZrBarResult &r);
Region AroundSighting(const Sighting &s);
// A result's outline as it is.
Region Outline(const ZrBarResult &r);
// The stretch of the line inside a convex quadrilateral (either turn); false when it misses it.
bool SpanInside(const GreyLine &line, const Region &q, LineSpan &span);
// The families whose lines run within a few tens of degrees of `angle`, as bits.
std::uint8_t FamiliesAlong(double angle);

}  // namespace zr::bar
