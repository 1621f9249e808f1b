#include <cmath>

#include "core/lines/run_scan.hpp"

namespace zr::lines {

namespace {
// Main and side step codes per octant of the angle.
constexpr std::uint8_t kMainCode[8] = {0, 6, 6, 4, 4, 2, 2, 0};
constexpr std::uint8_t kSideCode[8] = {7, 7, 5, 5, 3, 3, 1, 1};
}  // namespace

StepSpread DirectionSpread(double angle, int count) {
    if (count > kStepTableSize) count = kStepTableSize;
    if (!std::isfinite(angle)) angle = 0;
    StepSpread spread;
    spread.octant = static_cast<int>(std::floor(angle / 45.0)) % 8;
    if (spread.octant < 0) spread.octant += 8;
    const double radians = geom::DegToRad(angle);
    const double s = std::fabs(std::sin(radians));
    const double c = std::fabs(std::cos(radians));
    spread.sideSteps = static_cast<int>(std::floor((s >= c ? c * count / s : s * count / c) + 0.5));
    return spread;
}

void FillSteps(StepSpread spread, int count, StepTable &table) {
    if (count > kStepTableSize) count = kStepTableSize;
    const int octant = spread.octant, g = spread.sideSteps;
    table.fill(kMainCode[octant]);
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
}

int DirectionSteps(double angle, int count, StepTable &table) {
    const StepSpread spread = DirectionSpread(angle, count);
    FillSteps(spread, count, table);
    return spread.sideSteps;
}

}  // namespace zr::lines
