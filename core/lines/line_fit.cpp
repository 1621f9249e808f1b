#include <cmath>

#include "core/lines/run_scan.hpp"

namespace zr::lines {

std::uint16_t LineFitAngle(const EdgePoint *points, int count, std::uint8_t mode, double *angle) {
    if (points == nullptr || angle == nullptr || count <= 0) return kDegenerateFit;
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    for (int i = 0; i < count; ++i) {
        sx += points[i].x;
        sy += points[i].y;
        sxx += points[i].x * points[i].x;
        syy += points[i].y * points[i].y;
        sxy += points[i].x * points[i].y;
    }
    const double n = count;
    double result;
    if (mode & kVertical) {  // edges near vertical: x as a function of y
        const double d = n * syy - sy * sy;
        if (d == 0) return kDegenerateFit;
        const double slope = (n * sxy - sx * sy) / d;
        result = std::atan2(slope, 1.0) * 180.0 / geom::kPi - 90.0;
    } else {  // edges near horizontal: y as a function of x
        const double d = n * sxx - sx * sx;
        if (d == 0) return kDegenerateFit;
        const double slope = (n * sxy - sx * sy) / d;
        result = -std::atan2(slope, 1.0) * 180.0 / geom::kPi;
    }
    if (result < 0) result += 360.0;
    if (result >= 360.0) result -= 360.0;
    *angle = result;
    return 0;
}

}  // namespace zr::lines
