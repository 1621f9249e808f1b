// The grey scan lines of the second look: rows, columns and both diagonals
// of the search rectangle, each family from the centre outwards.
#include <algorithm>

#include "bar/grey_look.hpp"

namespace zr::bar {
namespace {

// Lines closer than this leave a symbol a few pixels high on two lines; a
// large picture spreads at most kMaxLines lines of a family over its extent.
constexpr int kSpacing = 3;
constexpr int kDiagonalSpacing = 6;
constexpr int kMaxLines = 400;
// Lines shorter than this hold no symbol.
constexpr int kShortestLine = 24;

// Reading angles of the forward senses, counter-clockwise as the picture is
// seen: down the columns is 270 degrees.
constexpr double kRowAngle = 0, kColumnAngle = 270, kDownAngle = 315, kUpAngle = 45;

}  // namespace

LinePlan::LinePlan(const Rect &area, const Rect &searched, std::uint8_t directions, LineSubset subset,
                   std::uint8_t families)
    : area_(area), searched_(searched), directions_(directions), subset_(subset), families_(families) {
    done_ = !StartFamily(GreyFamily::Rows);
}

int LinePlan::Spacing(GreyFamily family) const {
    const int w = searched_.Width(), h = searched_.Height();
    if (family == GreyFamily::Rows) return std::max(kSpacing, (h + kMaxLines - 1) / kMaxLines);
    if (family == GreyFamily::Columns) return std::max(kSpacing, (w + kMaxLines - 1) / kMaxLines);
    // Diagonal places step along an axis: lines kDiagonalSpacing apart there
    // lie 0.7 of that apart, and a symbol turned half way between the
    // families is crossed by the rows and columns as well.
    return std::max(kDiagonalSpacing, (w + h + kMaxLines - 1) / kMaxLines);
}

// Sets up the family's line places, or the next enabled family's; false when none is left.
bool LinePlan::StartFamily(GreyFamily family) {
    const bool diagonals = (directions_ & kAllDirections) == kAllDirections;
    for (;;) {
        const bool enabled = family == GreyFamily::Rows      ? (directions_ & kHorizontal) != 0
                             : family == GreyFamily::Columns ? (directions_ & kVertical) != 0
                                                             : diagonals;
        if (enabled && (families_ & FamilyBit(family)) != 0) break;
        if (family == GreyFamily::DiagonalUp) return false;
        family = static_cast<GreyFamily>(static_cast<int>(family) + 1);
    }
    family_ = family;
    index_ = 0;
    step_ = Spacing(family);
    switch (family) {
        case GreyFamily::Rows:
            low_ = area_.y0, high_ = area_.y1 - 1;
            break;
        case GreyFamily::Columns:
            low_ = area_.x0, high_ = area_.x1 - 1;
            break;
        case GreyFamily::DiagonalDown:  // x - y
            low_ = area_.x0 - (area_.y1 - 1), high_ = (area_.x1 - 1) - area_.y0;
            break;
        case GreyFamily::DiagonalUp:  // x + y
            low_ = area_.x0 + area_.y0, high_ = (area_.x1 - 1) + (area_.y1 - 1);
            break;
    }
    centre_ = low_ + (high_ - low_) / 2;
    return true;
}

// The line at place k of the family; false when it is too short.
bool LinePlan::Place(GreyFamily family, int k, GreyLine &line) const {
    line.family = family;
    line.across = k;
    switch (family) {
        case GreyFamily::Rows:
            line = {family,   area_.x0,
                    k,        1,
                    0,        area_.x1 - area_.x0,
                    k,        static_cast<std::uint8_t>(directions_ & kHorizontal),
                    kRowAngle};
            break;
        case GreyFamily::Columns:
            line = {family,      k,
                    area_.y0,    0,
                    1,           area_.y1 - area_.y0,
                    k,           static_cast<std::uint8_t>(directions_ & kVertical),
                    kColumnAngle};
            break;
        case GreyFamily::DiagonalDown: {
            const int y = std::max(area_.y0, area_.x0 - k);
            const int x = y + k;
            line = {family, x, y, 1, 1, std::min(area_.y1 - y, area_.x1 - x), k, kDiagonalDown, kDownAngle};
            break;
        }
        case GreyFamily::DiagonalUp: {
            const int x = std::max(area_.x0, k - (area_.y1 - 1));
            const int y = k - x;
            line = {family, x, y, 1, -1, std::min(area_.x1 - x, y - area_.y0 + 1), k, kDiagonalUp, kUpAngle};
            break;
        }
    }
    return line.length >= kShortestLine;
}

bool LinePlan::Next(GreyLine &line) {
    while (!done_) {
        // Places centre, centre + step, centre - step, centre + 2 step, ...
        const int n = index_++;
        const int steps = (n + 1) / 2;
        const int reach = steps * step_;
        const int k = n % 2 == 0 ? centre_ + reach : centre_ - reach;
        if (centre_ + reach > high_ && centre_ - reach < low_) {
            if (family_ == GreyFamily::DiagonalUp ||
                !StartFamily(static_cast<GreyFamily>(static_cast<int>(family_) + 1)))
                done_ = true;
            continue;
        }
        if (k < low_ || k > high_) continue;
        if (steps % subset_.every != 0 || (subset_.skip != 0 && steps % subset_.skip == 0)) continue;
        if (Place(family_, k, line)) return true;
    }
    return false;
}

const std::uint8_t *SampleLine(const GreyPlane &plane, const GreyLine &line,
                               std::vector<std::uint8_t> &buffer) {
    if (line.dy == 0) return plane.Row(line.y0) + line.x0;
    buffer.resize(static_cast<std::size_t>(line.length));
    const std::uint8_t *p = plane.Row(line.y0) + line.x0;
    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(line.dy) * plane.width + line.dx;
    for (int i = 0; i < line.length; ++i, p += stride) buffer[static_cast<std::size_t>(i)] = *p;
    return buffer.data();
}

}  // namespace zr::bar
