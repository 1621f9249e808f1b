// Split-and-extend fit of the longest straight stretch of an outline side.
#include <cmath>
#include <cstdint>

#include "core/edges/break_marks.hpp"
#include "core/edges/edges.hpp"

namespace zr::edges {
namespace {

using detail::NextSet;
using detail::PreviousSet;

template <class T>
double Value(const T *values, int i) {
    return static_cast<double>(values[i]);
}

template <class T>
double ChordSlope(const T *values, int from, int to) {
    return (Value(values, to) - Value(values, from)) / static_cast<double>(to - from);
}

// Least-squares line over the samples of start .. end within the split limit
// of the line through samples a and b; start and end move to the first and
// last such sample.
template <class T>
void InlierFit(const T *values, int a, int b, int &start, int &end, double &slope, double &intercept) {
    const double du = b - a, dv = Value(values, b) - Value(values, a);
    const double norm = std::hypot(du, dv);
    geom::LineSums sums;
    int first = -1, last = -1;
    for (int i = start; i <= end; ++i) {
        const double v = Value(values, i);
        if (std::fabs(du * (v - Value(values, a)) - dv * (i - a)) > kSplitDeviation * norm) continue;
        sums.Add(i, v);
        if (first < 0) first = i;
        last = i;
    }
    geom::FittedLine line;
    if (first < 0 || !sums.Fit(line)) return;
    start = first;
    end = last;
    slope = line.slope;
    intercept = line.intercept;
}

template <class T>
bool LeastSquares(const T *values, int first, int last, double &slope, double &intercept) {
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

template <class T>
bool Fit(const T *values, int last, EdgeFit &fit, FitWork &work) {
    fit = EdgeFit{};
    if (values == nullptr || last < 0) return false;
    SplitEdge(values, last, work);
    const std::vector<std::uint8_t> &isSet = work.isSet;

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

    const int pieceStart = start, pieceEnd = end;
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
    if (end > start) {
        // The line is fitted to the samples of the stretch that lie near the
        // longest piece's chord: where the extension crept round a corner, the
        // samples beyond it neither tilt the line nor end it.
        InlierFit(values, pieceStart, pieceEnd, start, end, slope, intercept);
    }
    fit.startIndex = start;
    fit.startValue = slope * start + intercept;
    fit.endIndex = end;
    fit.endValue = slope * end + intercept;
    fit.length = length;
    return true;
}

}  // namespace

bool LeastSquaresLine(const std::uint32_t *values, int first, int last, double &slope, double &intercept) {
    return LeastSquares(values, first, last, slope, intercept);
}

bool LeastSquaresLine(const std::int32_t *values, int first, int last, double &slope, double &intercept) {
    return LeastSquares(values, first, last, slope, intercept);
}

bool FitEdgeLine(const std::uint32_t *values, int last, EdgeFit &fit, FitWork &work) {
    return Fit(values, last, fit, work);
}

bool FitEdgeLine(const std::int32_t *values, int last, EdgeFit &fit, FitWork &work) {
    return Fit(values, last, fit, work);
}

bool FitEdgeLine(const std::int32_t *values, int last, EdgeFit &fit) {
    FitWork work;
    return Fit(values, last, fit, work);
}

bool FitEdgeLine(const std::uint32_t *values, int last, EdgeFit &fit) {
    FitWork work;
    return FitEdgeLine(values, last, fit, work);
}

}  // namespace zr::edges
