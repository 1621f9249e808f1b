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
        // Lines of a symbol seen in perspective turn a little from one to
        // the next; their tables change only when their spread does.
        const lines::StepSpread alongSpread = lines::DirectionSpread(angle, lines::kStepTableSize);
        const lines::StepSpread backSpread = lines::DirectionSpread(NormalizeAngle(angle - 180), lines::kStepTableSize);
        if (k == 0 || alongSpread != alongSpread_) lines::FillSteps(alongSpread, lines::kStepTableSize, along);
        if (k == 0 || backSpread != backSpread_) lines::FillSteps(backSpread, lines::kStepTableSize, back);
        alongSpread_ = alongSpread;
        backSpread_ = backSpread;
    }
    return k <= 4 * height_ + 8;
}

}  // namespace zr::pdf417
