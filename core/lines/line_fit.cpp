#include <cmath>

#include "core/lines/run_scan.hpp"

namespace zr::lines {

std::optional<double> LineFitAngle(const EdgePoint *points, int count, std::uint8_t mode) {
    if (points == nullptr || count <= 0) return std::nullopt;
    // Edges near vertical: x as a function of y; otherwise y as a function of x.
    const bool nearVertical = (mode & kVertical) != 0;
    geom::LineSums sums;
    for (int i = 0; i < count; ++i) {
        if (nearVertical)
            sums.Add(points[i].y, points[i].x);
        else
            sums.Add(points[i].x, points[i].y);
    }
    geom::FittedLine line;
    if (!sums.Fit(line)) return std::nullopt;
    double result = nearVertical ? geom::RadToDeg(std::atan2(line.slope, 1.0)) - 90.0
                                 : -geom::RadToDeg(std::atan2(line.slope, 1.0));
    if (result < 0) result += 360.0;
    if (result >= 360.0) result -= 360.0;
    return result;
}

}  // namespace zr::lines
