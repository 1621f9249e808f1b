#include <cmath>

#include "core/lines/run_scan.hpp"

namespace zr::lines {

namespace {
// Main and side step codes per octant of the angle.
constexpr std::uint8_t kMainCode[8] = {0, 6, 6, 4, 4, 2, 2, 0};
constexpr std::uint8_t kSideCode[8] = {7, 7, 5, 5, 3, 3, 1, 1};
}  // namespace

int DirectionSteps(double angle, int count, StepTable &table) {
    if (count > kStepTableSize) count = kStepTableSize;
    if (!std::isfinite(angle)) angle = 0;
    int octant = static_cast<int>(std::floor(angle / 45.0)) % 8;
    if (octant < 0) octant += 8;
    table.fill(kMainCode[octant]);
    const double radians = geom::DegToRad(angle);
    const double s = std::fabs(std::sin(radians));
    const double c = std::fabs(std::cos(radians));
    const int g = static_cast<int>(std::floor((s >= c ? c * count / s : s * count / c) + 0.5));
    // Bresenham spread of the side steps over the table.
    int h = 2 * g - count;
    for (int i = 0; i < count; ++i) {
        if (h < 0) {
            h += 2 * g;
        } else {
            table[i] = kSideCode[octant];
            h += 2 * g - 2 * count;
        }
    }
    return g;
}

}  // namespace zr::lines
