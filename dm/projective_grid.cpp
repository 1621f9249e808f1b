// The symbol's grid through one perspective map, its corners fitted to the
// finder, timing and alignment patterns of every region.
#include "dm/projective_grid.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <utility>

#include "dm/border_misses.hpp"
#include "dm/codewords.hpp"

namespace zr::dm {
namespace {

using geom::Perspective;
using geom::PointF;
using geom::QuadF;

// Corner steps of the fit, as shares of a module: from a whole module, which
// the parallelogram's far corner may miss by several of, down to a quarter.
constexpr std::array<double, 3> kFitSteps{1.0, 0.5, 0.25};
// Every size the transitions allow gets the coarse (whole-module) steps; only
// the best fitting few get the fine ones, which cost most. A region is fitted
// on its own from the whole symbol's fit, with the fine steps only.
constexpr std::size_t kFineSteps = 1;
// Corner P1, opposite the finder's.
constexpr int kFarCorner = 1;
// Rounds of moves at one step before the next, smaller one.
constexpr int kMaxFitRounds = 12;
// The eight directions a corner is moved in.
constexpr std::array<std::array<int, 2>, 8> kDirections{
    {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {1, -1}, {-1, 1}, {-1, -1}}};
// Border agreement a size needs before its data are sampled: most border
// modules right, as a symbol at its true corners shows even when blurred.
// After the coarse steps, with the finder's corners not yet fitted, less will
// do for the size to be fitted finely.
constexpr double kMinAgreement = 0.8;
constexpr double kMinCoarseAgreement = 0.6;
// Agreement after the coarse steps at which a size is decoded before the
// others are fitted: wrong sizes stay far below it.
constexpr double kSureAgreement = 0.95;
// Module counts within this share of the dotted sides' transitions.
constexpr double kModuleCountTolerance = 0.3;
// Sizes fitted per located symbol, those nearest the transitions.
constexpr std::size_t kMaxFittedSizes = 6;
// Sizes decoded per located symbol, best-fitting first.
constexpr std::size_t kMaxDecodedSizes = 3;
// Smallest module, in pixels, a size is fitted with: 2-pixel modules whose
// outline lost a pixel to the threshold at either end.
constexpr double kMinModulePixels = 1.5;
// Samples per module along a timing pattern that the grid follows.
constexpr int kTimingSamplesPerModule = 8;
// Most modules along a side (144 x 144, 8 x 144).
constexpr int kMaxModulesAcross = 144;
// The grids tried in turn on a fitted size.
constexpr std::array<GridRefinement, 3> kRefinements{GridRefinement::kNone, GridRefinement::kPerRegion,
                                                     GridRefinement::kTiming};
// Share of the data modules that must be dark, and light.
constexpr int kBalanceDivisor = 7;

bool DarkAt(const BitImageView &view, const Perspective &map, double u, double v) {
    return view.DarkOrOutside(map.Map({u, v}));
}

double ModulePixels(const QuadF &q, const DMSize &size) {
    return 0.5 * (geom::Distance(q.topLeft, q.topRight) / size.columns +
                  geom::Distance(q.topLeft, q.bottomLeft) / size.rows);
}

// One region of a size as a size of its own, for fitting and sampling it alone.
DMSize RegionAsSize(const DMSize &size) {
    DMSize region = size;
    region.rows = size.regionRows;
    region.columns = size.regionColumns;
    return region;
}

// Module centres in the unit square of a map: column c at u[c], row r at v[r].
struct GridLines {
    std::array<double, kMaxModulesAcross> u{}, v{};

    GridLines(int columns, int rows) {
        for (int c = 0; c < columns; ++c) u[static_cast<std::size_t>(c)] = (c + 0.5) / columns;
        for (int r = 0; r < rows; ++r) v[static_cast<std::size_t>(r)] = (r + 0.5) / rows;
    }
};

// Moves each boundary between the modules along a dotted side of the map
// (the top row with `alongTop`, else the right column) onto the nearest
// colour change of the timing pattern within half a module, and the module
// centres between them: a label bent round a cylinder, or a map that is only
// nearly right, spaces its modules unevenly, and the timing pattern shows how.
void FollowTiming(const BitImageView &view, const Perspective &map, const DMSize &size, bool alongTop,
                  double *centres) {
    const int modules = alongTop ? size.columns : size.rows;
    const int samples = modules * kTimingSamplesPerModule;
    const auto darkAt = [&](int k) {
        const double t = static_cast<double>(k) / samples;
        return alongTop ? DarkAt(view, map, t, 0.5 / size.rows)
                        : DarkAt(view, map, (size.columns - 0.5) / size.columns, t);
    };
    // Module j of the top row is dark at even j; of the right column, at even rows - 1 - j.
    const auto moduleDark = [&](int j) { return (alongTop ? j : size.rows - 1 - j) % 2 == 0; };
    double previous = 0;
    for (int j = 1; j <= modules; ++j) {
        double boundary = static_cast<double>(j) / modules;
        if (j < modules) {
            const int nominal = j * kTimingSamplesPerModule, reach = kTimingSamplesPerModule / 2;
            for (int d = 0; d <= reach; ++d) {
                const int k = d % 2 == 0 ? nominal + d / 2 : nominal - (d + 1) / 2;
                if (darkAt(k - 1) == moduleDark(j - 1) && darkAt(k) == moduleDark(j)) {
                    boundary = (k - 0.5) / samples;
                    break;
                }
            }
        }
        centres[j - 1] = 0.5 * (previous + boundary);
        previous = boundary;
    }
}

// Samples the data modules of region (band, cell) through `map` at the grid
// lines `lines` (of the whole symbol, or of the region alone when the offsets
// are 0) into the mapping matrix; returns the dark count.
int SampleRegionData(const BitImageView &view, const Perspective &map, const GridLines &lines,
                     const DMSize &size, int rowOffset, int columnOffset, std::uint8_t *out) {
    int dark = 0;
    const int dataRows = size.regionRows - 2, dataColumns = size.regionColumns - 2;
    for (int r = 0; r < dataRows; ++r) {
        const double v = lines.v[static_cast<std::size_t>(rowOffset + r + 1)];
        std::uint8_t *row = out + static_cast<std::ptrdiff_t>(r) * size.mappingColumns;
        for (int c = 0; c < dataColumns; ++c) {
            const bool isDark = DarkAt(view, map, lines.u[static_cast<std::size_t>(columnOffset + c + 1)], v);
            row[c] = isDark ? 1 : 0;
            dark += isDark ? 1 : 0;
        }
    }
    return dark;
}

struct Candidate {
    const DMSize *size = nullptr;
    QuadF corners;
    double agreement = 0;
};

}  // namespace

bool ModuleCountFits(int modules, int transitions) {
    return std::abs(modules - (transitions + 1)) <= kModuleCountTolerance * modules;
}

double BorderAgreement(const BitImageView &view, const QuadF &outer, const DMSize &size) {
    const int total = BorderModuleCount(size);
    return total > 0 ? 1.0 - static_cast<double>(BorderMisses(view, outer, size, total, false)) / total : 0;
}

double FitCornersToBorder(const BitImageView &view, QuadF &outer, const DMSize &size, std::size_t firstStep,
                          std::size_t lastStep) {
    const double module = ModulePixels(outer, size);
    // The whole border's misses at `outer` after a fine step, else -1: a fine
    // step's fewest is the full count of its corners (its first count has the
    // whole border as budget, a move only ends within budget), so the next
    // step and the agreement need not count it again.
    int known = -1;
    for (std::size_t s = firstStep; s < lastStep && s < kFitSteps.size(); ++s) {
        // The whole-module steps move the far corner only, scored on the
        // dotted sides it ends: the finder's fitted sides place the other
        // three corners within a module.
        const bool coarse = s == 0;
        const int firstCorner = coarse ? kFarCorner : 0,
                  lastCorner = coarse ? kFarCorner + 1 : QuadF::kCorners;
        const int total = coarse ? size.rows + size.columns - 1 : BorderModuleCount(size);
        int fewest = !coarse && known >= 0 ? known : BorderMisses(view, outer, size, total, coarse);
        const double step = kFitSteps[s] * module;
        for (int round = 0; round < kMaxFitRounds; ++round) {
            bool moved = false;
            for (int corner = firstCorner; corner < lastCorner; ++corner) {
                for (const auto &[dx, dy] : kDirections) {
                    QuadF trial = outer;
                    trial[corner] += PointF{dx * step, dy * step};
                    const int misses = BorderMisses(view, trial, size, fewest - 1, coarse);
                    if (misses < fewest) {
                        fewest = misses;
                        outer = trial;
                        moved = true;
                    }
                }
            }
            if (!moved) break;
        }
        known = coarse ? -1 : fewest;
    }
    if (known < 0) return BorderAgreement(view, outer, size);
    const int total = BorderModuleCount(size);
    return total > 0 ? 1.0 - static_cast<double>(known) / total : 0;
}

bool SampleProjective(const BitImageView &view, const QuadF &outer, const DMSize &size,
                      GridRefinement refinement, std::uint8_t *matrix) {
    const std::optional<Perspective> map = Perspective::SquareToQuad(outer);
    if (!map || size.rows > kMaxModulesAcross || size.columns > kMaxModulesAcross) return false;
    const int down = size.rows / size.regionRows, across = size.columns / size.regionColumns;
    const int dataRows = size.regionRows - 2, dataColumns = size.regionColumns - 2;
    const DMSize region = RegionAsSize(size);
    GridLines lines(size.columns, size.rows);
    if (refinement == GridRefinement::kTiming) {
        FollowTiming(view, *map, size, true, lines.u.data());
        FollowTiming(view, *map, size, false, lines.v.data());
    }
    const GridLines regionLines(size.regionColumns, size.regionRows);
    int dark = 0;
    for (int band = 0; band < down; ++band) {
        for (int cell = 0; cell < across; ++cell) {
            std::uint8_t *out = matrix + static_cast<std::ptrdiff_t>(band) * dataRows * size.mappingColumns +
                                static_cast<std::ptrdiff_t>(cell) * dataColumns;
            const int rowOffset = band * size.regionRows, columnOffset = cell * size.regionColumns;
            if (refinement != GridRefinement::kPerRegion) {
                dark += SampleRegionData(view, *map, lines, size, rowOffset, columnOffset, out);
                continue;
            }
            const double u0 = static_cast<double>(columnOffset) / size.columns;
            const double u1 = static_cast<double>(columnOffset + size.regionColumns) / size.columns;
            const double v0 = static_cast<double>(rowOffset) / size.rows;
            const double v1 = static_cast<double>(rowOffset + size.regionRows) / size.rows;
            QuadF corners{map->Map({u0, v0}), map->Map({u1, v0}), map->Map({u1, v1}), map->Map({u0, v1})};
            FitCornersToBorder(view, corners, region, kFineSteps, kFitSteps.size());
            const std::optional<Perspective> own = Perspective::SquareToQuad(corners);
            if (!own) return false;
            dark += SampleRegionData(view, *own, regionLines, size, 0, 0, out);
        }
    }
    const int modules = size.mappingRows * size.mappingColumns;
    const int least = modules / kBalanceDivisor;
    return dark >= least && modules - dark >= least;
}

bool TrySizesProjective(const BitImageView &view, ScanWork &work, int topTransitions, int rightTransitions) {
    const QuadF located = work.symbol.corners;
    // The sizes the transitions allow, nearest to them first.
    std::array<const DMSize *, kSizeCount + kDmreSizeCount> sizes{};
    std::size_t count = 0;
    const auto allowed = [&](const DMSize &size) {
        return ModuleCountFits(size.columns, topTransitions) &&
               ModuleCountFits(size.rows, rightTransitions) &&
               geom::Distance(located.topLeft, located.topRight) >= kMinModulePixels * size.columns &&
               geom::Distance(located.bottomLeft, located.topLeft) >= kMinModulePixels * size.rows;
    };
    for (const DMSize &size : kDMSizeTable)
        if (allowed(size)) sizes[count++] = &size;
    for (const DMSize &size : kDmreSizeTable)
        if (allowed(size)) sizes[count++] = &size;
    const auto distance = [&](const DMSize *size) {
        return std::abs(size->columns - topTransitions - 1) + std::abs(size->rows - rightTransitions - 1);
    };
    // Insertion keeps table order among equals and, unlike std::stable_sort, allocates nothing.
    for (std::size_t i = 1; i < count; ++i)
        for (std::size_t j = i; j > 0 && distance(sizes[j]) < distance(sizes[j - 1]); --j)
            std::swap(sizes[j], sizes[j - 1]);

    const auto decode = [&](Candidate &candidate) {
        candidate.agreement =
            FitCornersToBorder(view, candidate.corners, *candidate.size, kFineSteps, kFitSteps.size());
        if (candidate.agreement < kMinAgreement) return false;
        for (const GridRefinement refinement : kRefinements) {
            if (refinement == GridRefinement::kPerRegion && candidate.size->layout == RegionLayout::k1x1)
                continue;
            if (SampleProjective(view, candidate.corners, *candidate.size, refinement,
                                 work.MatrixFor(*candidate.size)) &&
                DecodeSampledMatrix(work, *candidate.size)) {
                // Fitted corners may have moved past the picture's edge; results keep inside it.
                work.symbol.corners = candidate.corners;
                geom::ClampCorners(work.symbol.corners, view.Width(), view.Height());
                return true;
            }
        }
        return false;
    };
    // A size whose border fits almost wholly is decoded at once; the others
    // wait, best-fitting first, until every size has been fitted.
    std::array<Candidate, kMaxDecodedSizes> waiting{};
    for (std::size_t i = 0; i < std::min(count, kMaxFittedSizes); ++i) {
        Candidate candidate{sizes[i], located, 0};
        candidate.agreement = FitCornersToBorder(view, candidate.corners, *candidate.size, 0, kFineSteps);
        if (candidate.agreement >= kSureAgreement) {
            if (decode(candidate)) return true;
            continue;
        }
        if (candidate.agreement < kMinCoarseAgreement || candidate.agreement <= waiting.back().agreement)
            continue;
        waiting.back() = candidate;
        std::sort(waiting.begin(), waiting.end(),
                  [](const Candidate &a, const Candidate &b) { return a.agreement > b.agreement; });
    }
    for (Candidate &candidate : waiting)
        if (candidate.size && decode(candidate)) return true;
    work.symbol.corners = located;
    return false;
}

}  // namespace zr::dm
