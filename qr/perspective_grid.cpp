// Fitting and sampling the projective module grid of a slanted symbol.
#include "qr/perspective_grid.hpp"

#include <array>
#include <cmath>
#include <new>

#include "core/image.hpp"
#include "qr/format.hpp"
#include "qr/info_words.hpp"

namespace zr::qr {

namespace {

using geom::Perspective;
using geom::PointF;

constexpr double kFinderSide = 7;           // modules across a finder
constexpr double kAlignmentInset = 6.5;     // alignment centre from the far sides, in modules
constexpr int kTimingLine = 6;              // row and column of the timing patterns
constexpr int kTimingStart = 8;             // first timing module past the finder and separator
constexpr int kFirstSizeWithVersion = 45;   // version 7
constexpr int kVersionBlockOffset = 11;     // version blocks start 11 modules before the far side
constexpr double kAlignmentReach = 4;       // modules searched each way around the predicted centre
constexpr double kAlignmentStep = 1.0 / 3;  // search step, in modules
constexpr int kAlignmentMinMatches = 23;    // of the pattern's 25 modules
// The alignment pattern's modules around its centre: the centre, the light ring, the dark ring.
constexpr std::array<geom::PointI, 25> kAlignmentModules{{
    {0, 0},   {-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0},   {-1, 1}, {0, 1},  {1, 1},
    {-2, -2}, {-1, -2}, {0, -2}, {1, -2}, {2, -2}, {-2, -1}, {2, -1}, {-2, 0}, {2, 0},
    {-2, 1},  {2, 1},   {-2, 2}, {-1, 2}, {0, 2},  {1, 2},   {2, 2},
}};
constexpr int kUnknowns = 8;

PointF Unit(PointF p) {
    const double length = geom::Length(p);
    return length > 0 ? p * (1.0 / length) : PointF{};
}

// The outline point of `region` farthest along `direction`, on pixel edges.
PointF Extreme(const regions::Region &region, PointF direction) {
    double best = -1e300;
    PointF point;
    const auto offer = [&](double x, double y) {
        const double score = x * direction.x + y * direction.y;
        if (score > best) {
            best = score;
            point = {x, y};
        }
    };
    for (int r = 0; r < region.Height(); ++r) {
        const auto k = static_cast<std::size_t>(r);
        if (region.rowLeft[k] == regions::kNoOutline) continue;
        const double y = region.box.y0 + r + 0.5;
        offer(region.rowLeft[k], y);
        offer(region.rowRight[k] + 1.0, y);
    }
    for (int c = 0; c < region.Width(); ++c) {
        const auto k = static_cast<std::size_t>(c);
        if (region.colTop[k] == regions::kNoOutline) continue;
        const double x = region.box.x0 + c + 0.5;
        offer(x, region.colTop[k]);
        offer(x, region.colBottom[k] + 1.0);
    }
    return point;
}

// The finder's corners from its region's: the region's own, or, for a
// centre stone, the stone's grown by `scale` about their middle.
geom::QuadF CornersOf(const regions::Region &region, PointF u, PointF v, double scale) {
    geom::QuadF q{Extreme(region, -u - v), Extreme(region, u - v), Extreme(region, u + v),
                  Extreme(region, v - u)};
    if (scale == 1) return q;
    const PointF middle = (q.topLeft + q.topRight + q.bottomRight + q.bottomLeft) * 0.25;
    for (PointF *corner : {&q.topLeft, &q.topRight, &q.bottomRight, &q.bottomLeft})
        *corner = middle + (*corner - middle) * scale;
    return q;
}

// Uniform scale then shift.
Perspective ScaleShift(double scale, PointF shift) {
    return Perspective(Perspective::Matrix{{{scale, 0, 0}, {0, scale, 0}, {shift.x, shift.y, 1}}});
}

// Solves the normal equations in place (Gaussian elimination, partial pivoting).
bool Solve(std::array<std::array<double, kUnknowns + 1>, kUnknowns> &system) {
    constexpr double kTinyPivot = 1e-12;
    for (std::size_t col = 0; col < kUnknowns; ++col) {
        std::size_t pivot = col;
        for (std::size_t r = col + 1; r < kUnknowns; ++r)
            if (std::fabs(system[r][col]) > std::fabs(system[pivot][col])) pivot = r;
        if (!(std::fabs(system[pivot][col]) > kTinyPivot)) return false;
        std::swap(system[col], system[pivot]);
        for (std::size_t r = 0; r < kUnknowns; ++r) {
            if (r == col) continue;
            const double f = system[r][col] / system[col][col];
            for (std::size_t c = col; c <= kUnknowns; ++c) system[r][c] -= f * system[col][c];
        }
    }
    for (std::size_t r = 0; r < kUnknowns; ++r) system[r][kUnknowns] /= system[r][r];
    return true;
}

struct Correspondence {
    PointF module, pixel;
    double weight;
};

bool DarkSample(const BitImageView &view, PointF p) {
    return DarkAt(view, std::floor(p.x), std::floor(p.y));
}

// AlignmentLattice: the alignment search tries places a step apart, up to
// kPlaces steps each way of the prediction, and reads modules a whole number
// of modules from each place; every sample therefore falls on one lattice of
// steps around the prediction, read once for all 625 places. A lattice row
// is a word of bits; the places of one row are counted side by side.
constexpr int kPlaces = static_cast<int>(kAlignmentReach / kAlignmentStep);
constexpr int kStepsPerModule = static_cast<int>(1 / kAlignmentStep + 0.5);
constexpr int kLatticeReach = kPlaces + 2 * kStepsPerModule;  // the outer ring lies two modules out
constexpr int kLatticeSide = 2 * kLatticeReach + 1;
constexpr int kPlaceSide = 2 * kPlaces + 1;
static_assert(kLatticeSide <= 64, "a lattice row fits one word");
constexpr std::uint64_t kPlaceMask = (std::uint64_t{1} << kPlaceSide) - 1;

// Match counts of a row of places, bit-sliced: plane k holds bit k of every
// place's count (25 modules need five bits).
using CountPlanes = std::array<std::uint64_t, 5>;

// Adds one to the count of every place whose bit is set in `matches`.
void AddToCounts(CountPlanes &planes, std::uint64_t matches) {
    for (std::uint64_t &plane : planes) {
        const std::uint64_t carry = plane & matches;
        plane ^= matches;
        matches = carry;
    }
}

// The places whose count reaches kAlignmentMinMatches (23 = 10111b; 24 and
// 25 are the counts with bits 4 and 3 set).
std::uint64_t AtLeastMinimum(const CountPlanes &p) {
    static_assert(kAlignmentMinMatches == 23 && kAlignmentModules.size() == 25,
                  "the test below reads 23 to 25");
    return p[4] & (p[3] | (p[2] & p[1] & p[0]));
}

}  // namespace

bool MeasureFinderCorners(const FinderTriple &t, FinderCorners &corners) {
    if (!t.a->HasOutline() || !t.b->HasOutline() || !t.d->HasOutline()) return false;
    const PointF u = Unit(t.cb - t.ca), v = Unit(t.cd - t.ca);
    corners = {CornersOf(*t.a, u, v, t.scaleA), CornersOf(*t.b, u, v, t.scaleB),
               CornersOf(*t.d, u, v, t.scaleD)};
    return true;
}

std::optional<Perspective> FitGrid(const FinderCorners &corners, int size,
                                   const std::optional<PointF> &alignment) {
    constexpr double kAlignmentWeight = 3;  // one centre against twelve corners
    const double n = size, far = n - kFinderSide, s = kFinderSide;
    std::array<Correspondence, 13> points{};
    std::size_t count = 0;
    const auto addFinder = [&](const geom::QuadF &q, double x0, double y0) {
        points[count++] = {{x0, y0}, q.topLeft, 1};
        points[count++] = {{x0 + s, y0}, q.topRight, 1};
        points[count++] = {{x0 + s, y0 + s}, q.bottomRight, 1};
        points[count++] = {{x0, y0 + s}, q.bottomLeft, 1};
    };
    addFinder(corners.a, 0, 0);
    addFinder(corners.b, far, 0);
    addFinder(corners.d, 0, far);
    if (alignment)
        points[count++] = {{n - kAlignmentInset, n - kAlignmentInset}, *alignment, kAlignmentWeight};

    // Pixels centred and scaled to a unit spread, modules to 0..1, for a well-conditioned system.
    PointF centre{};
    for (std::size_t k = 0; k < count; ++k) centre += points[k].pixel * (1.0 / static_cast<double>(count));
    double spread = 0;
    for (std::size_t k = 0; k < count; ++k) spread += geom::Distance(points[k].pixel, centre);
    spread /= static_cast<double>(count);
    if (!(spread > 0)) return std::nullopt;

    std::array<std::array<double, kUnknowns + 1>, kUnknowns> system{};
    for (std::size_t k = 0; k < count; ++k) {
        const double x = points[k].module.x / n, y = points[k].module.y / n;
        const PointF p = (points[k].pixel - centre) * (1.0 / spread);
        const double w2 = points[k].weight * points[k].weight;
        const std::array<double, kUnknowns> rowX{x, y, 1, 0, 0, 0, -x * p.x, -y * p.x};
        const std::array<double, kUnknowns> rowY{0, 0, 0, x, y, 1, -x * p.y, -y * p.y};
        for (std::size_t r = 0; r < kUnknowns; ++r) {
            for (std::size_t c = 0; c < kUnknowns; ++c)
                system[r][c] += w2 * (rowX[r] * rowX[c] + rowY[r] * rowY[c]);
            system[r][kUnknowns] += w2 * (rowX[r] * p.x + rowY[r] * p.y);
        }
    }
    if (!Solve(system)) return std::nullopt;
    const auto h = [&](std::size_t k) { return system[k][kUnknowns]; };
    const Perspective unit(Perspective::Matrix{{{h(0), h(3), h(6)}, {h(1), h(4), h(7)}, {h(2), h(5), 1}}});
    return ScaleShift(1.0 / n, {}).Then(unit).Then(ScaleShift(spread, centre));
}

std::optional<PointF> FindAlignment(const BitImageView &view, const Perspective &grid, int size) {
    const double c = size - kAlignmentInset;
    return FindAlignmentNear(view, grid, {c, c}, {});
}

std::optional<PointF> FindAlignmentNear(const BitImageView &view, const Perspective &grid, PointF centre,
                                        PointF moved) {
    const PointF predicted = grid.Map(centre) + moved;
    const PointF du = grid.Map({centre.x + 1, centre.y}) - grid.Map(centre);
    const PointF dv = grid.Map({centre.x, centre.y + 1}) - grid.Map(centre);
    // Match counts of every place, from one lattice read (see AlignmentLattice).
    // A lattice point is predicted + (a * step) * du + (b * step) * dv,
    // summed in that order from the two terms kept below.
    std::array<PointF, kLatticeSide> along, down;
    for (int k = -kLatticeReach; k <= kLatticeReach; ++k) {
        along[static_cast<std::size_t>(k + kLatticeReach)] = predicted + (k * kAlignmentStep) * du;
        down[static_cast<std::size_t>(k + kLatticeReach)] = (k * kAlignmentStep) * dv;
    }
    const double width = view.Width(), height = view.Height();
    std::array<std::uint64_t, kLatticeSide> lattice;
    for (std::size_t b = 0; b < kLatticeSide; ++b) {
        std::uint64_t row = 0;
        for (std::size_t a = 0; a < kLatticeSide; ++a) {
            const PointF p = along[a] + down[b];
            // DarkSample's test: a point inside the picture has a
            // non-negative position, where truncation is its floor.
            if (p.x >= 0 && p.y >= 0 && p.x < width && p.y < height &&
                view.Dark(static_cast<int>(p.x), static_cast<int>(p.y)))
                row |= std::uint64_t{1} << a;
        }
        lattice[b] = row;
    }
    std::array<std::array<std::uint8_t, kPlaceSide>, kPlaceSide> matchCount{};  // [a][b], 0 below the minimum
    for (int b = 0; b < kPlaceSide; ++b) {
        CountPlanes planes{};
        for (const geom::PointI m : kAlignmentModules) {
            const bool ring = std::max(std::abs(m.x), std::abs(m.y)) == 1;
            // Place a (from 0) reads lattice column a + kStepsPerModule * (m.x + 2).
            const std::uint64_t row = lattice[static_cast<std::size_t>(b + kStepsPerModule * (m.y + 2))];
            const std::uint64_t dark = (row >> (kStepsPerModule * (m.x + 2))) & kPlaceMask;
            AddToCounts(planes, ring ? ~dark & kPlaceMask : dark);
        }
        for (std::uint64_t places = AtLeastMinimum(planes); places != 0; places &= places - 1) {
            const int a = __builtin_ctzll(places);
            unsigned count = 0;
            for (std::size_t k = 0; k < planes.size(); ++k)
                count |= static_cast<unsigned>((planes[k] >> a) & 1) << k;
            matchCount[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] =
                static_cast<std::uint8_t>(count);
        }
    }
    // The most matches, then the place nearest the prediction, then the first in order.
    int bestMatches = kAlignmentMinMatches - 1;
    double bestDistance = 0;
    std::optional<PointF> best;
    for (int a = -kPlaces; a <= kPlaces; ++a)
        for (int b = -kPlaces; b <= kPlaces; ++b) {
            const int matches =
                matchCount[static_cast<std::size_t>(a + kPlaces)][static_cast<std::size_t>(b + kPlaces)];
            if (matches < bestMatches) continue;
            const double distance = a * a + b * b;
            if (matches > bestMatches || (matches == bestMatches && best && distance < bestDistance)) {
                bestMatches = matches;
                bestDistance = distance;
                best = predicted + (a * kAlignmentStep) * du + (b * kAlignmentStep) * dv;
            }
        }
    if (!best) return std::nullopt;
    // The middle of the centre module's dark run, across and down.
    const geom::PointI start{static_cast<int>(std::floor(best->x)), static_cast<int>(std::floor(best->y))};
    if (!view.DarkOrOutside(start.x, start.y)) return best;
    const int reach = static_cast<int>(std::ceil(geom::Length(du) + geom::Length(dv)));
    int left = start.x, right = start.x, top = start.y, bottom = start.y;
    while (start.x - left < reach && view.DarkOrOutside(left - 1, start.y)) --left;
    while (right - start.x < reach && view.DarkOrOutside(right + 1, start.y)) ++right;
    while (start.y - top < reach && view.DarkOrOutside(start.x, top - 1)) --top;
    while (bottom - start.y < reach && view.DarkOrOutside(start.x, bottom + 1)) ++bottom;
    return PointF{(left + right + 1) * 0.5, (top + bottom + 1) * 0.5};
}

double TimingAgreement(const BitImageView &view, const Perspective &grid, int size) {
    int agree = 0, total = 0;
    for (int k = kTimingStart; k < size - kTimingStart; ++k) {
        const bool dark = k % 2 == 0;
        agree += DarkSample(view, grid.Map({k + 0.5, kTimingLine + 0.5})) == dark;
        agree += DarkSample(view, grid.Map({kTimingLine + 0.5, k + 0.5})) == dark;
        total += 2;
    }
    return total > 0 ? static_cast<double>(agree) / total : 0;
}

int ReadVersionBlocks(const BitImageView &view, const Perspective &grid, int size) {
    if (size < kFirstSizeWithVersion) return 0;
    std::uint32_t upperRight = 0, lowerLeft = 0;
    for (int bit = 0; bit < 18; ++bit) {
        // Bit k of a version block sits in row k / 3 (whole rows) and column k % 3.
        const int row = bit / 3;
        const double along = size - kVersionBlockOffset + bit % 3 + 0.5, across = row + 0.5;
        if (DarkSample(view, grid.Map({along, across}))) upperRight |= std::uint32_t{1} << bit;
        if (DarkSample(view, grid.Map({across, along}))) lowerLeft |= std::uint32_t{1} << bit;
    }
    const VersionMatch p = NearestVersion(upperRight), q = NearestVersion(lowerLeft);
    const VersionMatch &nearer = q.distance < p.distance ? q : p;
    return nearer.distance <= kMaxInfoWordErrors ? nearer.version : 0;
}

bool SampledGrid::Sample(const BitImageView &view, const Perspective &grid, int size) {
    return SampleThrough(
        view, [&grid](PointF module) { return grid.Map(module); }, size);
}

bool SampledGrid::Sample(const BitImageView &view, const AlignmentMesh &mesh, int size) {
    return SampleThrough(
        view, [&mesh](PointF module) { return mesh.Map(module); }, size);
}

template <class MapModule>
bool SampledGrid::SampleThrough(const BitImageView &view, const MapModule &map, int size) {
    if (size != size_) {
        ZrImage &image = modules_.image;
        image.width = image.height = static_cast<std::uint32_t>(size);
        image.bitsPerPixel = 1;
        image.polarity = 0;
        if (ImageCreate(&image) != ZR_OK) throw std::bad_alloc();
        size_ = size;
    }
    const BitImageView modules(modules_.image);
    int outside = 0;
    for (int i = 0; i < size; ++i) {
        std::uint8_t *row = modules.MutableRow(i);
        for (int j = 0; j < size; j += 8) row[j >> 3] = 0;
        for (int j = 0; j < size; ++j) {
            const PointF p = map(PointF{j + 0.5, i + 0.5});
            if (!(p.x >= 0 && p.y >= 0 && p.x < view.Width() && p.y < view.Height())) {
                ++outside;
                continue;
            }
            if (view.Dark(static_cast<int>(p.x), static_cast<int>(p.y)))
                row[j >> 3] = static_cast<std::uint8_t>(row[j >> 3] | (0x80 >> (j & 7)));
        }
    }
    return outside <= size;
}

}  // namespace zr::qr
