// Split-and-extend fit of the longest straight stretch of an outline side.
#include <cmath>
#include <new>

#include "core/edges/edges.hpp"
#include "core/status.hpp"

namespace zr::edges {
namespace {

double Value(const std::uint32_t *values, int i) {
    return static_cast<double>(values[i]);
}

// Next set break point after index i (last is always set).
int NextSet(const std::vector<std::uint8_t> &isSet, int i) {
    do ++i;
    while (isSet[static_cast<std::size_t>(i)] == 0);
    return i;
}

int PreviousSet(const std::vector<std::uint8_t> &isSet, int i) {
    do --i;
    while (isSet[static_cast<std::size_t>(i)] == 0);
    return i;
}

// One split pass: every piece is split at most once, at its sample farthest
// from the chord. Returns the largest deviation seen.
double SplitPass(const std::uint32_t *values, int last, std::vector<std::uint8_t> &isSet) {
    double largest = 0;
    for (int a = 0; a < last;) {
        const int b = NextSet(isSet, a);
        double farthest = -1;
        int at = -1;
        for (int i = a + 1; i < b; ++i) {
            const double d =
                PointSegmentDistance(a, Value(values, a), b, Value(values, b), i, Value(values, i));
            if (d > farthest) {
                farthest = d;
                at = i;
            }
        }
        if (farthest > kSplitDeviation) isSet[static_cast<std::size_t>(at)] = 1;
        if (farthest > largest) largest = farthest;
        a = b;
    }
    return largest;
}

double ChordSlope(const std::uint32_t *values, int from, int to) {
    return (Value(values, to) - Value(values, from)) / static_cast<double>(to - from);
}

}  // namespace

double PointSegmentDistance(double ax, double ay, double bx, double by, double px, double py) {
    const double dx = bx - ax, dy = by - ay;
    const double t = (dy * (py - ay) + dx * (px - ax)) / (dy * dy + dx * dx);
    double nx = ax, ny = ay;
    if (t > 1) {
        nx = bx;
        ny = by;
    } else if (t >= 0) {  // false for NaN: the nearest point stays a
        nx = ax + t * dx;
        ny = ay + t * dy;
    }
    return std::hypot(px - nx, py - ny);
}

bool LeastSquaresLine(const std::uint32_t *values, int first, int last, double &slope, double &intercept) {
    if (values == nullptr || last < first) return false;
    double sxx = 0, sxy = 0, sy = 0, sx = 0;
    for (int i = first; i <= last; ++i) {
        const double x = i, v = Value(values, i);
        sxx += x * x;
        sxy += x * v;
        sy += v;
        sx += x;
    }
    const double n = last - first + 1;
    const double det = n * sxx - sx * sx;
    if (det == 0) return false;
    slope = (n * sxy - sx * sy) / det;
    intercept = (sxx * sy - sxy * sx) / det;
    return true;
}

std::uint16_t FitEdgeLine(const std::uint32_t *values, int last, EdgeFit &fit, FitWork &work) {
    fit = EdgeFit{};
    if (values == nullptr || last < 0) return status::kBadArgument;
    try {
        work.isSet.assign(static_cast<std::size_t>(last) + 1, 0);
    } catch (const std::bad_alloc &) {
        return status::kNoMemory;
    }
    std::vector<std::uint8_t> &isSet = work.isSet;
    isSet.front() = 1;
    isSet.back() = 1;
    if (last > 0) {
        while (SplitPass(values, last, isSet) > kSplitDeviation) {
        }
    }

    // The piece with the most samples; the first one wins a tie.
    int start = 0, end = 0;
    double length = 0;
    for (int a = 0; a < last;) {
        const int b = NextSet(isSet, a);
        if (b - a + 1 > length) {
            length = b - a + 1;
            start = a;
            end = b;
        }
        a = b;
    }

    if (end > start) {
        double slope = ChordSlope(values, start, end);
        // Absorb neighbouring pieces while the chord keeps its slope.
        while (start != 0) {
            const int n = PreviousSet(isSet, start);
            const double joined = ChordSlope(values, n, end);
            if (std::fabs(joined - slope) > kExtendSlope) {
                length += 1;
                break;
            }
            length += start - n + 1;
            start = n;
            slope = joined;
        }
        while (end != last) {
            const int n = NextSet(isSet, end);
            const double joined = ChordSlope(values, start, n);
            if (std::fabs(joined - slope) > kExtendSlope) {
                length += 1;
                break;
            }
            length += n - end + 1;
            end = n;
            slope = joined;
        }
    }

    double slope = 0, intercept = 0;
    LeastSquaresLine(values, start, end, slope, intercept);
    fit.startIndex = start;
    fit.startValue = slope * start + intercept;
    fit.endIndex = end;
    fit.endValue = slope * end + intercept;
    fit.length = length;
    return status::kOk;
}

std::uint16_t FitEdgeLine(const std::uint32_t *values, int last, EdgeFit &fit) {
    FitWork work;
    return FitEdgeLine(values, last, fit, work);
}

}  // namespace zr::edges
