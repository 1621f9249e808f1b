// Finders found by their centre stone, for the second look.
#include "qr/finder_stones.hpp"

#include <algorithm>
#include <array>
#include <cstddef>

namespace zr::qr {

namespace {

// Bounds of the light ring's width and of the outer ring's, as shares of
// the stone's half width measured along the same line (the rings are 2/3 of
// it in a perfect symbol); wide enough for blur and a global threshold's
// thinning or thickening of modules.
constexpr double kMinLightShare = 0.3;
constexpr double kMaxLightShare = 1.2;
constexpr double kMinOuterShare = 0.3;
// The two halves of the stone along one line differ at most this much.
constexpr double kMaxHalfRatio = 2.0;
// A stone region fills at least this share of its box (a square turned by
// 45 degrees fills a half).
constexpr double kMinStoneFill = 0.4;
constexpr int kMinStoneSide = 5;

struct Step {
    int dx, dy;
};
constexpr std::array<Step, 4> kSteps{{{-1, 0}, {1, 0}, {0, -1}, {0, 1}}};

// Runs from (x, y) along the step: dark (including the start), light, dark;
// the last one counted at most to `cap`. False when the picture ends first.
bool RingRuns(const BitImageView &view, int x, int y, Step step, int cap, std::array<int, 3> &runs) {
    runs = {0, 0, 0};
    bool dark = true;
    for (int k = 0; k < 3; ++k) {
        while (true) {
            if (x < 0 || y < 0 || x >= view.Width() || y >= view.Height()) return k == 2 && runs[2] > 0;
            if (view.Dark(x, y) != dark || (k == 2 && runs[2] >= cap)) break;
            ++runs[static_cast<std::size_t>(k)];
            x += step.dx;
            y += step.dy;
        }
        dark = !dark;
    }
    return true;
}

}  // namespace

bool IsFinderStone(const BitImageView &view, const regions::Region &region) {
    if (region.Width() < kMinStoneSide || region.Height() < kMinStoneSide || region.fill < kMinStoneFill)
        return false;
    const int cx = (region.box.x0 + region.box.x1) / 2, cy = (region.box.y0 + region.box.y1) / 2;
    if (!view.Dark(cx, cy)) return false;
    std::array<std::array<int, 3>, 4> runs{};
    const int cap = std::max(region.Width(), region.Height());
    for (std::size_t s = 0; s < kSteps.size(); ++s)
        if (!RingRuns(view, cx, cy, kSteps[s], cap, runs[s])) return false;
    for (std::size_t axis = 0; axis < 2; ++axis) {
        const std::array<int, 3> &near = runs[2 * axis], &far = runs[2 * axis + 1];
        const double h0 = near[0] - 0.5, h1 = far[0] - 0.5;  // the centre pixel counts half to each side
        if (!(std::max(h0, h1) <= kMaxHalfRatio * std::min(h0, h1))) return false;
        for (const std::array<int, 3> *side : {&near, &far}) {
            const double half = (*side)[0] - 0.5;
            if ((*side)[1] < kMinLightShare * half || (*side)[1] > kMaxLightShare * half + 1) return false;
            if ((*side)[2] < kMinOuterShare * half) return false;
        }
    }
    return true;
}

void CollectFinderStones(const BitImageView &view, regions::RegionList &regionList,
                         std::vector<FinderCandidate> &candidates) {
    const std::size_t wholeFinders = candidates.size();
    for (regions::Region &region : regionList) {
        const geom::PointF centre{(region.box.x0 + region.box.x1) / 2.0, (region.box.y0 + region.box.y1) / 2.0};
        const bool insideFinder =
            std::any_of(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(wholeFinders),
                        [&](const FinderCandidate &c) {
                            return c.region->box.Contains({static_cast<int>(centre.x), static_cast<int>(centre.y)});
                        });
        if (insideFinder || !IsFinderStone(view, region)) continue;
        regions::EnsureOutline(view, region);
        if (!region.HasOutline()) continue;
        FinderCandidate c;
        c.region = &region;
        c.centre = centre;
        c.regionScale = kFinderPerStone;
        candidates.push_back(c);
    }
}

}  // namespace zr::qr
