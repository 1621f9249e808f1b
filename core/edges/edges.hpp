// Straight-edge fitting on the outline extents of a labelled region: the
// longest nearly straight stretch of one outline side, its least-squares
// line, and the corner where two fitted sides meet.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/geom/geom.hpp"

namespace zr::edges {

// Largest distance of a sample from the chord of its piece before the piece
// is split there.
constexpr double kSplitDeviation = 2.5;
// Largest change of chord slope when the longest piece absorbs a neighbour.
constexpr double kExtendSlope = 0.1;
// The corner must lie within this share of the two sides' summed lengths of
// one end of each side.
constexpr double kCornerTolerance = 0.1;

// A fitted stretch of an extent array: indices into the array and the line's
// values there, and the stretch's extent in samples.
struct EdgeFit {
    double startIndex = 0;
    double startValue = 0;
    double endIndex = 0;
    double endValue = 0;
    double length = 0;
};

// One fitted side in picture coordinates: `start` is the end at the smaller
// index, `end` the end at the larger index.
struct EdgeLine {
    geom::PointF start;
    geom::PointF end;
    double length = 0;

    // The same side moved by `offset`.
    EdgeLine Moved(geom::PointF offset) const { return {start + offset, end + offset, length}; }
};

// Break points of the split phase, reused between fits so that a reader
// fitting many sides allocates once.
struct FitWork {
    std::vector<std::uint8_t> isSet;
    std::vector<std::int32_t> runEnd;  // last index of the run of equal samples from each index
    // Least and largest sample of each block of samples (see edge_split.cpp).
    std::vector<std::int32_t> blockLow, blockHigh;
};

// Distance of point p from the segment a-b (from a when a and b coincide).
double PointSegmentDistance(geom::PointF a, geom::PointF b, geom::PointF p);

// Tells, from exact sums of whole-number coordinates and without a square
// root, a point that lies certainly nearer the segment a-b than a given
// distance: it projects well inside the segment, where its distance is
// |cross| / |b - a|, and that falls short of the given distance by more
// than any rounding of PointSegmentDistance. False whenever in doubt (large
// coordinates, a point near either end), where the distance must be computed.
class ChordTest {
  public:
    ChordTest(geom::PointF a, geom::PointF b);
    bool SurelyNearer(geom::PointF p, double distance) const;

    // The two parts of SurelyNearer for a point within the exact range whose
    // dot and cross products with b - a (about a) are given: it projects well
    // inside the segment; at that cross product it is surely nearer than
    // `distance`. Both hold exactly when SurelyNearer does.
    bool Inside(double dot) const;
    bool CrossSurelyNearer(double cross, double distance) const;

  private:
    geom::PointF a_, d_;
    double squaredLength_;
    double insideFrom_, insideTo_;  // the dot products of well inside
    bool usable_;
};

// Least-squares line value = slope * index + intercept over the entries
// first .. last. false, with slope and intercept untouched, when the fit is
// undetermined (a single index).
bool LeastSquaresLine(const std::uint32_t *values, int first, int last, double &slope, double &intercept);
bool LeastSquaresLine(const std::int32_t *values, int first, int last, double &slope, double &intercept);

// The split phase of FitEdgeLine alone: afterwards work.isSet[i] is non-zero
// exactly at the break points of values[0 .. last] (nothing for a null array
// or negative last). Pieces are split at their sample farthest from the
// chord, the first of equals, while that lies beyond kSplitDeviation.
void SplitEdge(const std::uint32_t *values, int last, FitWork &work);
void SplitEdge(const std::int32_t *values, int last, FitWork &work);

// Fits the longest nearly straight stretch of values[0 .. last]; false, with
// an empty fit, for a null array or negative last.
bool FitEdgeLine(const std::uint32_t *values, int last, EdgeFit &fit, FitWork &work);
bool FitEdgeLine(const std::uint32_t *values, int last, EdgeFit &fit);
// The same over signed extents (the region labelling's arrays).
bool FitEdgeLine(const std::int32_t *values, int last, EdgeFit &fit, FitWork &work);
bool FitEdgeLine(const std::int32_t *values, int last, EdgeFit &fit);

// A fit over a row extent array (rowLeft, rowRight) of a region whose top row
// is `top`: the side runs across the rows.
EdgeLine RowEdgeLine(const EdgeFit &fit, double top);
// A fit over a column extent array (colTop, colBottom) of a region whose left
// column is `left`: the side runs across the columns.
EdgeLine ColumnEdgeLine(const EdgeFit &fit, double left);

// Intersection of the side v (across the rows) with the side h (across the
// columns). Nothing for parallel or degenerate sides, and when the point
// lies farther than the tolerance from both ends of either side. A
// coordinate below 0 comes back as 0.
std::optional<geom::PointF> IntersectEdgeLines(const EdgeLine &v, const EdgeLine &h);

}  // namespace zr::edges
