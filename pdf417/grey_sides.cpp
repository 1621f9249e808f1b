// Start sides on grey levels: scan lines of four families (rows, columns and
// both diagonals) are cut at their sub-pixel edges, start patterns are found
// among the element widths read either way, and the outer edges of one
// pattern seen on neighbouring lines are fitted with a straight line: the
// symbol's start side, whose normal is the direction of its rows.
#include <algorithm>
#include <cmath>

#include "pdf417/grey_look.hpp"
#include "pdf417/row_runs.hpp"

namespace zr::pdf417 {

namespace {

constexpr int kSpacing = 3;          // pixels between lines of the row and column families
constexpr int kDiagonalSpacing = 4;  // places along an axis between diagonal lines
constexpr int kMaxLines = 400;       // lines of one family across a large picture
constexpr int kShortestLine = 24;    // shorter lines hold no symbol
constexpr std::size_t kMaxHits = 4096;
constexpr int kMinHits = 3;  // lines that must cross one start side
constexpr std::size_t kMaxSides = 16;
// Rows farther than this from the scan line's direction measure too short a
// pattern to be told from print: cos 65 degrees.
constexpr double kMinCrossing = 0.42;
constexpr double kQuietModules = 2;       // background before the start pattern
constexpr double kWidthAgreement = 0.25;  // pattern widths on neighbouring lines

struct Family {
    int dx, dy;
    bool horizontal;  // read by the horizontal pass's setting
};
constexpr Family kFamilies[] = {{1, 0, true}, {0, 1, false}, {1, 1, true}, {1, -1, true}};

// A start pattern crossed by one scan line.
struct Hit {
    PointF outer;  // where the wide bar meets the quiet zone
    PointF into;   // unit vector along the line into the symbol
    double width;  // the pattern along the line, pixels
    int family;
    int line;  // index of the line within its family
    std::uint8_t barColor;
    bool grouped = false;
};

// One line of a family: `length` samples from (x, y) in steps of (dx, dy).
struct ScanLine {
    int x = 0, y = 0, length = 0;
};

// Diagonal lines are sampled every half pixel along each axis (the midpoints
// as the mean of the four pixels round them), so that their samples lie 0.7
// pixels apart and modules of 1.3 pixels keep their edges.
double SampleStep(const Family &f) {
    return f.dx != 0 && f.dy != 0 ? 0.5 : 1.0;
}

// Line k of the family within the area (k counts from the family's first place).
ScanLine LineAt(const Family &f, const Rect &a, int place) {
    ScanLine l;
    if (f.dy == 0) {
        l = {a.x0, place, a.x1 - a.x0};
    } else if (f.dx == 0) {
        l = {place, a.y0, a.y1 - a.y0};
    } else if (f.dy > 0) {  // place = x - y
        l.y = std::max(a.y0, a.x0 - place);
        l.x = l.y + place;
        l.length = std::min(a.y1 - l.y, a.x1 - l.x);
    } else {  // place = x + y
        l.x = std::max(a.x0, place - (a.y1 - 1));
        l.y = place - l.x;
        l.length = std::min(a.x1 - l.x, l.y - a.y0 + 1);
    }
    return l;
}

// Start patterns on the element widths of one line, either way round.
void FindHits(const std::vector<edges::GreyEdge> &edges, const std::vector<std::uint16_t> &runs,
              std::uint8_t barColors, const ScanLine &l, const Family &f, int family, int line,
              std::vector<Hit> &hits) {
    const int n = static_cast<int>(runs.size());
    const double axisStep = SampleStep(f);  // along each axis, per sample
    const double step = axisStep * std::hypot(f.dx, f.dy);
    const PointF dir{f.dx / std::hypot(f.dx, f.dy), f.dy / std::hypot(f.dx, f.dy)};
    const auto pointAt = [&](int edge) {
        const double p = edges[static_cast<std::size_t>(edge)].position * axisStep;
        return PointF{l.x + 0.5 + p * f.dx, l.y + 0.5 + p * f.dy};
    };
    for (int i = 0; i + kStartRuns <= n && hits.size() < kMaxHits; ++i) {
        for (const std::uint8_t color : {kDarkBars, kLightBars}) {
            if ((barColors & color) == 0) continue;
            const bool forward = BarAfter(edges, i, color);
            const double module = SumRuns(runs, i, kStartRuns) / 17.0;
            // The 3-module space closing the pattern, and background beyond the wide bar.
            const int closing = forward ? runs[i + 7] : runs[i];
            if (closing < 1.5 * module || closing > 4.5 * module) continue;
            const int beyond = forward ? i - 1 : i + kStartRuns;
            const double quiet = beyond < 0    ? edges[static_cast<std::size_t>(i)].position * kGreyRunScale
                                 : beyond >= n ? 1e9
                                               : runs[beyond];
            if (quiet < kQuietModules * module) continue;
            if (!StartAt(runs, i, !forward)) continue;
            Hit h;
            h.outer = pointAt(forward ? i : i + kStartRuns);
            h.into = forward ? dir : PointF{-dir.x, -dir.y};
            h.width = 17 * module / kGreyRunScale * step;
            h.family = family;
            h.line = line;
            h.barColor = color;
            hits.push_back(h);
        }
    }
}

// A straight line through the hits' outer points (their principal axis):
// its middle and direction.
void FitLine(const std::vector<const Hit *> &hits, PointF &middle, PointF &direction) {
    PointF c{0, 0};
    for (const Hit *h : hits) c = c + h->outer;
    c = (1.0 / static_cast<double>(hits.size())) * c;
    double sxx = 0, syy = 0, sxy = 0;
    for (const Hit *h : hits) {
        const PointF d = h->outer - c;
        sxx += d.x * d.x, syy += d.y * d.y, sxy += d.x * d.y;
    }
    const double theta = 0.5 * std::atan2(2 * sxy, sxx - syy);
    middle = c;
    direction = {std::cos(theta), std::sin(theta)};
}

// The hits near the line through the pair of hits that most hits lie
// near (pairs of at most kConsensusHits spread over the group), at most
// `reach` from it; false when fewer than kMinHits.
bool ConsensusHits(const std::vector<const Hit *> &group, double reach, std::vector<const Hit *> &inliers) {
    constexpr std::size_t kConsensusHits = 16;
    const std::size_t stride = (group.size() + kConsensusHits - 1) / kConsensusHits;
    const auto near = [&group, reach](const Hit *p, const Hit *q, std::vector<const Hit *> *out) {
        const PointF d = q->outer - p->outer;
        const double length = geom::Length(d);
        int count = 0;
        for (const Hit *h : group) {
            if (std::fabs(geom::Cross(d, h->outer - p->outer)) > reach * length) continue;
            ++count;
            if (out) out->push_back(h);
        }
        return count;
    };
    int most = 0;
    const Hit *bestP = nullptr, *bestQ = nullptr;
    for (std::size_t i = 0; i < group.size(); i += stride) {
        for (std::size_t j = i + stride; j < group.size(); j += stride) {
            if (geom::Distance(group[i]->outer, group[j]->outer) < 1) continue;
            // Of pairs alike, the farthest apart gives the direction best.
            const int count = near(group[i], group[j], nullptr);
            const bool longer = bestP != nullptr && geom::Distance(group[i]->outer, group[j]->outer) >
                                                        geom::Distance(bestP->outer, bestQ->outer);
            if (count > most || (count == most && longer)) most = count, bestP = group[i], bestQ = group[j];
        }
    }
    inliers.clear();
    if (most < kMinHits) return false;
    near(bestP, bestQ, &inliers);
    return true;
}

// The start side of a group of hits: a straight line fitted through the
// outer points within half a module of the line through the two most
// points lie near (not those of lines that entered the symbol across its
// top or bottom), its
// normal pointing into the symbol. The module is the pattern's median width
// across the side.
bool FitSide(const std::vector<const Hit *> &group, double spacing, std::vector<const Hit *> &inliers,
             std::vector<double> &widths, GreySide &side) {
    PointF c, e;
    FitLine(group, c, e);
    PointF u{-e.y, e.x};
    const Hit &any = *group.front();
    if (geom::Dot(u, any.into) < 0) u = PointF{-u.x, -u.y};
    const auto medianModule = [&widths, &u](const std::vector<const Hit *> &hits) {
        widths.clear();
        for (const Hit *h : hits) widths.push_back(h->width * geom::Dot(u, h->into));
        std::nth_element(widths.begin(), widths.begin() + static_cast<std::ptrdiff_t>(widths.size() / 2),
                         widths.end());
        return widths[widths.size() / 2] / 17;
    };
    constexpr double kInlierModules = 0.5, kLeastInlierDistance = 1.0;
    const double reachOff = std::max(kLeastInlierDistance, kInlierModules * medianModule(group));
    // The hits near the line through the two that most hits lie near: one
    // hit far off tilts a fit through all of them past the others, above all
    // on a short side with few hits.
    if (!ConsensusHits(group, reachOff, inliers)) return false;
    FitLine(inliers, c, e);
    u = {-e.y, e.x};
    if (geom::Dot(u, any.into) < 0) u = PointF{-u.x, -u.y};
    double low = 1e9, high = -1e9;
    for (const Hit *h : inliers) {
        if (geom::Dot(u, h->into) < kMinCrossing) return false;
        const double t = geom::Dot(h->outer - c, e);
        low = std::min(low, t), high = std::max(high, t);
    }
    if (high - low < spacing) return false;
    const double reach = spacing / std::max(kMinCrossing, geom::Dot(u, any.into));
    side.first = c + (low - reach) * e;
    side.last = c + (high + reach) * e;
    side.along = u;
    side.module = medianModule(inliers);
    side.barColor = any.barColor;
    side.hits = static_cast<int>(inliers.size());
    return side.module > 0;
}

// Whether the line crosses a block with contrast (looked at every half block).
bool CrossesContrast(const GreyWork &work, const ScanLine &l, const Family &f) {
    constexpr int kStride = GreyWork::kContrastBlock / 2;
    for (int i = 0; i < l.length; i += kStride) {
        if (work.HasContrast(l.x + i * f.dx, l.y + i * f.dy)) return true;
    }
    return work.HasContrast(l.x + (l.length - 1) * f.dx, l.y + (l.length - 1) * f.dy);
}

}  // namespace

void MapContrast(const GreyPlane &plane, int minChange, GreyWork &work) {
    // Every kSampleStep-th pixel of every kSampleStep-th row: a start pattern's
    // wide bar and the quiet zone beside it are both wider than that.
    constexpr int kBlock = GreyWork::kContrastBlock;
    constexpr int kSampleStep = 4;
    const int columns = (plane.width + kBlock - 1) / kBlock, rows = (plane.height + kBlock - 1) / kBlock;
    std::vector<std::uint8_t> low(static_cast<std::size_t>(columns * rows), 255), high(low.size(), 0);
    for (int y = 0; y < plane.height; y += kSampleStep) {
        const std::uint8_t *row = plane.Row(y);
        std::uint8_t *lo = &low[static_cast<std::size_t>(y / kBlock * columns)];
        std::uint8_t *hi = &high[static_cast<std::size_t>(y / kBlock * columns)];
        for (int x = 0; x < plane.width; x += kSampleStep) {
            const int bx = x / kBlock;
            lo[bx] = std::min(lo[bx], row[x]), hi[bx] = std::max(hi[bx], row[x]);
        }
    }
    work.blockColumns = columns, work.blockRows = rows;
    work.contrast.assign(low.size(), 0);
    work.anyContrast = false;
    for (int by = 0; by < rows; ++by) {
        for (int bx = 0; bx < columns; ++bx) {
            int a = 255, b = 0;
            for (int y = std::max(0, by - 1); y <= std::min(rows - 1, by + 1); ++y)
                for (int x = std::max(0, bx - 1); x <= std::min(columns - 1, bx + 1); ++x) {
                    a = std::min<int>(a, low[static_cast<std::size_t>(y * columns + x)]);
                    b = std::max<int>(b, high[static_cast<std::size_t>(y * columns + x)]);
                }
            const bool contrast = b - a >= minChange;
            work.contrast[static_cast<std::size_t>(by * columns + bx)] = contrast;
            work.anyContrast = work.anyContrast || contrast;
        }
    }
}

void GreyRuns(const std::vector<edges::GreyEdge> &edges, std::vector<std::uint16_t> &runs) {
    runs.clear();
    for (std::size_t i = 1; i < edges.size(); ++i) {
        const double w = (edges[i].position - edges[i - 1].position) * kGreyRunScale + 0.5;
        runs.push_back(static_cast<std::uint16_t>(std::clamp(w, 1.0, 65535.0)));
    }
}

void FindGreySides(const GreyPlane &plane, const ScanSettings &settings, std::uint8_t directions,
                   GreyWork &work, std::vector<GreySide> &sides) {
    sides.clear();
    if (!work.anyContrast) return;
    const Rect &a = settings.area;
    const bool both = (directions & ZR_PDF417_ALL_DIRECTIONS) == ZR_PDF417_ALL_DIRECTIONS;
    std::vector<Hit> hits;
    for (int family = 0; family < 4; ++family) {
        const Family &f = kFamilies[family];
        const bool enabled =
            f.dx != 0 && f.dy != 0
                ? both
                : (directions & (f.horizontal ? ZR_PDF417_HORIZONTAL : ZR_PDF417_VERTICAL)) != 0;
        if (!enabled) continue;
        int low, high, spacing;
        if (f.dy == 0) {
            low = a.y0, high = a.y1 - 1, spacing = std::max(kSpacing, a.Height() / kMaxLines);
        } else if (f.dx == 0) {
            low = a.x0, high = a.x1 - 1, spacing = std::max(kSpacing, a.Width() / kMaxLines);
        } else {
            low = f.dy > 0 ? a.x0 - (a.y1 - 1) : a.x0 + a.y0;
            high = f.dy > 0 ? (a.x1 - 1) - a.y0 : (a.x1 - 1) + (a.y1 - 1);
            spacing = std::max(kDiagonalSpacing, (a.Width() + a.Height()) / kMaxLines);
        }
        for (int place = low + spacing / 2, line = 0; place <= high; place += spacing, ++line) {
            const ScanLine l = LineAt(f, a, place);
            if (l.length < kShortestLine || !CrossesContrast(work, l, f)) continue;
            const std::uint8_t *levels;
            int samples = l.length;
            const std::uint8_t *p = plane.Row(l.y) + l.x;
            const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(f.dy) * plane.width + f.dx;
            if (f.dy == 0) {
                levels = p;
            } else if (f.dx == 0) {
                work.profile.resize(static_cast<std::size_t>(samples));
                for (int i = 0; i < samples; ++i, p += stride) work.profile[static_cast<std::size_t>(i)] = *p;
                levels = work.profile.data();
            } else {
                samples = 2 * l.length - 1;
                work.profile.resize(static_cast<std::size_t>(samples));
                const std::ptrdiff_t across = static_cast<std::ptrdiff_t>(f.dy) * plane.width;
                for (int i = 0; i < l.length; ++i, p += stride) {
                    work.profile[static_cast<std::size_t>(2 * i)] = *p;
                    if (i + 1 < l.length)
                        work.profile[static_cast<std::size_t>(2 * i + 1)] =
                            static_cast<std::uint8_t>((p[0] + p[f.dx] + p[across] + p[stride] + 2) / 4);
                }
                levels = work.profile.data();
            }
            const auto &edges = work.finder.Find(levels, samples);
            if (static_cast<int>(edges.size()) < kStartRuns + 2) continue;
            GreyRuns(edges, work.runs);
            FindHits(edges, work.runs, settings.barColors, l, f, family, line, hits);
        }
        // Hits of one start side on neighbouring lines: near each other, of like width.
        const double pixelSpacing = spacing / std::hypot(f.dx, f.dy);
        std::vector<const Hit *> group, inliers;
        std::vector<double> widths;
        for (std::size_t i = 0; i < hits.size(); ++i) {
            Hit &seed = hits[i];
            if (seed.grouped || seed.family != family) continue;
            group.assign(1, &seed);
            seed.grouped = true;
            const Hit *last = &seed;
            for (std::size_t j = i + 1; j < hits.size() && hits[j].line <= last->line + 2; ++j) {
                Hit &h = hits[j];
                if (h.grouped || h.line == last->line || h.barColor != last->barColor ||
                    geom::Dot(h.into, last->into) < 0.99)
                    continue;
                const double reach = std::max(3 * pixelSpacing / kMinCrossing, 0.5 * last->width);
                if (geom::Distance(h.outer, last->outer) > reach ||
                    std::fabs(h.width - last->width) > kWidthAgreement * std::max(h.width, last->width))
                    continue;
                h.grouped = true;
                group.push_back(&h);
                last = &h;
            }
            GreySide side;
            if (static_cast<int>(group.size()) >= kMinHits &&
                FitSide(group, pixelSpacing, inliers, widths, side))
                sides.push_back(side);
        }
        if (hits.size() >= kMaxHits) break;
    }
    std::stable_sort(sides.begin(), sides.end(),
                     [](const GreySide &p, const GreySide &q) { return p.hits > q.hits; });
    if (sides.size() > kMaxSides) sides.resize(kMaxSides);
}

}  // namespace zr::pdf417
