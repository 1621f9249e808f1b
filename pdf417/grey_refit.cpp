// A start side fitted again through the lines read along it (RefitSide).
#include <algorithm>
#include <cmath>

#include "pdf417/grey_look.hpp"

namespace zr::pdf417 {

bool RefitSide(const GreySide &side, double step, GreyWork &work, GreySide &refitted) {
    const auto &lines = work.lines;
    if (lines.empty()) return false;
    const PointF u = side.along;
    const PointF e = Unit(side.last - side.first);
    int low = lines.front().n, high = low;
    for (const GreyLine &l : lines) low = std::min(low, l.n), high = std::max(high, l.n);
    const double sideLines = geom::Distance(side.first, side.last) / step;
    constexpr double kLongerBy = 1.25;
    if (high - low < kLongerBy * sideLines) return false;
    const auto offset = [&](const GreyLine &l) { return geom::Dot(l.origin - side.first, u); };
    constexpr std::size_t kFitLines = 48;
    const std::size_t stride = (lines.size() + kFitLines - 1) / kFitLines;
    std::vector<double> &values = work.slopes;
    values.clear();
    for (std::size_t i = 0; i < lines.size(); i += stride)
        for (std::size_t j = i + stride; j < lines.size(); j += stride)
            if (lines[j].n != lines[i].n)
                values.push_back((offset(lines[j]) - offset(lines[i])) / ((lines[j].n - lines[i].n) * step));
    if (values.empty()) return false;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    const double slope = *middle;  // offset per pixel along e
    values.clear();
    for (const GreyLine &l : lines) values.push_back(offset(l) - slope * l.n * step);
    const auto median = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), median, values.end());
    const double at = *median;
    refitted = side;
    refitted.first = side.first + (low * step) * e + (at + slope * low * step) * u;
    refitted.last = side.first + (high * step) * e + (at + slope * high * step) * u;
    const PointF along = Unit(refitted.last - refitted.first);
    refitted.along =
        geom::Dot(PointF{-along.y, along.x}, u) > 0 ? PointF{-along.y, along.x} : PointF{along.y, -along.x};
    return true;
}

}  // namespace zr::pdf417
