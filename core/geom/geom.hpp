// Small geometry value types shared by every reader: points with the
// arithmetic call sites need, half-open rectangles, inclusive search bounds,
// quadrilaterals with named corners, and least-squares line sums.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace zr::geom {

// Degrees and radians are converted with pi truncated to 3.1415926: every
// published angle and rounded corner is defined with this value, and so is
// every step table drawn from an angle (lines::DirectionSteps).
constexpr double kPi = 3.1415926;
constexpr double DegToRad(double degrees) {
    return degrees * kPi / 180.0;
}
constexpr double RadToDeg(double radians) {
    return radians * 180.0 / kPi;
}

// The DataMatrix reader has measured the directions of its grid lines with
// pi taken as 3.14 (one multiplication by 180 / 3.14) since it was written,
// and its step tables turn them back into radians with kPi: each angle comes
// out 1.0005 times too large (0.045 degrees at 90). That can move a
// direction near a multiple of 45 degrees into the next octant and shifts
// the spread of side steps, so the pixels the boundary refinement visits
// depend on it. kPi in its place decodes the same over the scan digest, but
// other pictures can come out differently, so the value stays.
constexpr double kPiTwoPlaces = 3.14;
constexpr double kDegreesPerRadianTwoPlaces = 180.0 / kPiTwoPlaces;
constexpr double RadToDegTwoPlaces(double radians) {
    return radians * kDegreesPerRadianTwoPlaces;
}

template <class T>
struct Point {
    T x{};
    T y{};

    constexpr Point &operator+=(Point o) {
        x += o.x;
        y += o.y;
        return *this;
    }
    constexpr Point &operator-=(Point o) {
        x -= o.x;
        y -= o.y;
        return *this;
    }
    friend constexpr Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
    friend constexpr Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
    friend constexpr Point operator-(Point a) { return {-a.x, -a.y}; }
    friend constexpr Point operator*(T s, Point a) { return {s * a.x, s * a.y}; }
    friend constexpr Point operator*(Point a, T s) { return {s * a.x, s * a.y}; }
    friend constexpr bool operator==(Point a, Point b) { return a.x == b.x && a.y == b.y; }
    friend constexpr bool operator!=(Point a, Point b) { return !(a == b); }
};

using PointI = Point<int>;
using PointF = Point<double>;

constexpr PointF ToPointF(PointI p) {
    return {static_cast<double>(p.x), static_cast<double>(p.y)};
}
// Pixel positions round by adding 0.5 and truncating (towards zero). The
// conversion to int truncates by itself: std::trunc before it gives the same
// int and costs a dozen instructions, as the compiler must keep its rounding
// flags.
inline int RoundHalfUp(double v) {
    return static_cast<int>(v + 0.5);
}
inline PointI RoundHalfUp(PointF p) {
    return {RoundHalfUp(p.x), RoundHalfUp(p.y)};
}

template <class T>
constexpr T Dot(Point<T> a, Point<T> b) {
    return a.x * b.x + a.y * b.y;
}
template <class T>
constexpr T Cross(Point<T> a, Point<T> b) {
    return a.x * b.y - a.y * b.x;
}
// Componentwise absolute value: the horizontal and vertical distances of a difference.
template <class T>
constexpr Point<T> Abs(Point<T> a) {
    return {a.x < 0 ? -a.x : a.x, a.y < 0 ? -a.y : a.y};
}
inline double Length(PointF a) {
    return std::hypot(a.x, a.y);
}
inline double Distance(PointF a, PointF b) {
    return Length(a - b);
}
// Larger of |dx| and |dy|: the number of pixel steps between two points.
constexpr int StepDistance(PointI a, PointI b) {
    const PointI d = Abs(a - b);
    return d.x > d.y ? d.x : d.y;
}
// Point a fraction t of the way from a to b.
inline PointF Lerp(PointF a, PointF b, double t) {
    return a + t * (b - a);
}

// Half-open rectangle: x in [x0, x1), y in [y0, y1).
struct Rect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    constexpr int Width() const { return x1 - x0; }
    constexpr int Height() const { return y1 - y0; }
    constexpr bool Empty() const { return x1 <= x0 || y1 <= y0; }
    constexpr bool Contains(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
    constexpr bool Contains(PointI p) const { return Contains(p.x, p.y); }
    // Nearest point inside; the rectangle must not be empty.
    constexpr PointI Clamp(PointI p) const {
        if (p.x < x0) p.x = x0;
        if (p.x >= x1) p.x = x1 - 1;
        if (p.y < y0) p.y = y0;
        if (p.y >= y1) p.y = y1 - 1;
        return p;
    }
};

// Search bounds of the two-dimensional readers: both corners inclusive.
struct SearchBounds {
    std::uint32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    constexpr bool Contains(std::uint32_t x, std::uint32_t y) const {
        return x >= x0 && x <= x1 && y >= y0 && y <= y1;
    }
    constexpr Rect ToRect() const {
        return {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1) + 1,
                static_cast<int>(y1) + 1};
    }
};

// A symbol's outline. The corners are named in the symbol's reading frame
// (P0 top-left, P1 top-right, P2 bottom-right, P3 bottom-left), which is a
// rotation of the picture's frame for a turned symbol.
template <class T>
struct Quad {
    Point<T> topLeft, topRight, bottomRight, bottomLeft;

    static constexpr int kCorners = 4;
    // Corner i in the order P0, P1, P2, P3.
    constexpr Point<T> &operator[](int i) {
        return i == 0 ? topLeft : i == 1 ? topRight : i == 2 ? bottomRight : bottomLeft;
    }
    constexpr const Point<T> &operator[](int i) const {
        return i == 0 ? topLeft : i == 1 ? topRight : i == 2 ? bottomRight : bottomLeft;
    }
    friend constexpr bool operator==(const Quad &a, const Quad &b) {
        return a.topLeft == b.topLeft && a.topRight == b.topRight && a.bottomRight == b.bottomRight &&
               a.bottomLeft == b.bottomLeft;
    }
};

using QuadI = Quad<int>;
using QuadF = Quad<double>;

inline QuadI RoundHalfUp(const QuadF &q) {
    return {RoundHalfUp(q.topLeft), RoundHalfUp(q.topRight), RoundHalfUp(q.bottomRight),
            RoundHalfUp(q.bottomLeft)};
}

// Moves every corner into a width x height picture (both at least 1): a
// coordinate below 0 or not a number becomes 0, one at or past the last
// column (row) becomes that column (row).
inline void ClampCorners(QuadF &corners, int width, int height) {
    for (int i = 0; i < QuadF::kCorners; ++i) {
        PointF &c = corners[i];
        if (!(c.x >= 0)) c.x = 0;
        if (!(c.y >= 0)) c.y = 0;
        if (!(c.x < width)) c.x = width - 1;
        if (!(c.y < height)) c.y = height - 1;
    }
}

// Writes four corners (a Quad, or an array of four points) into a result
// record's x0, y0 .. x3, y3 array; fractional corners round half up.
constexpr PointI ToPixel(PointI p) {
    return p;
}
inline PointI ToPixel(PointF p) {
    return RoundHalfUp(p);
}
template <class Corners>
void StoreCorners(const Corners &corners, std::int32_t (&out)[8]) {
    for (int i = 0; i < 4; ++i) {
        const PointI p = ToPixel(corners[i]);
        const auto at = static_cast<std::size_t>(2 * i);
        out[at] = p.x;
        out[at + 1] = p.y;
    }
}

// A fitted straight line v = slope * u + intercept.
struct FittedLine {
    double slope = 0;
    double intercept = 0;
    constexpr double At(double u) const { return slope * u + intercept; }
};

// Running sums of a least-squares line fit. Fit() is undetermined (false)
// when every u is the same or there are no points.
struct LineSums {
    double n = 0, su = 0, sv = 0, suu = 0, suv = 0;

    constexpr void Add(double u, double v) {
        n += 1;
        su += u;
        sv += v;
        suu += u * u;
        suv += u * v;
    }
    constexpr bool Fit(FittedLine &line) const {
        const double d = n * suu - su * su;
        if (n <= 0 || d == 0) return false;
        line.slope = (n * suv - su * sv) / d;
        line.intercept = (sv - line.slope * su) / n;
        return true;
    }
};

}  // namespace zr::geom
