#include "pdf417/line_geometry.hpp"

#include <algorithm>
#include <cmath>

namespace zr::pdf417 {

bool LineGeometry::Line(int k, PointI &start, StepTable &along, StepTable &back) {
    if (!interpolate_) {
        if (k == 0) {
            start_ = symbol_.corners.topLeft;
        } else {
            start_ += lines::StepVector(symbol_.direction.steps[kDown][(k - 1) % lines::kStepTableSize]);
        }
        start = start_;
        along = symbol_.direction.steps[kAlong];
        back = symbol_.direction.steps[kBack];
        return true;
    }
    const QuadI &c = symbol_.corners;
    const double t = k / height_;
    const PointF p = geom::Lerp(geom::ToPointF(c[0]), geom::ToPointF(c[3]), t);
    const PointF q = geom::Lerp(geom::ToPointF(c[1]), geom::ToPointF(c[2]), t);
    start = geom::RoundHalfUp(p);
    const double angle = NormalizeAngle(geom::RadToDeg(std::atan2(p.y - q.y, q.x - p.x)));
    if (k == 0 || std::fabs(angle - angle_) > 1e-9) {
        angle_ = angle;
        lines::DirectionSteps(angle, lines::kStepTableSize, along);
        lines::DirectionSteps(NormalizeAngle(angle - 180), lines::kStepTableSize, back);
    }
    return k <= 4 * height_ + 8;
}

}  // namespace zr::pdf417
