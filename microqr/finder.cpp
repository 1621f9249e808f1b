// A finder candidate on its own: the strict 1:1:3:1:1 run test and the four
// outer corners of the finder from straight lines fitted to its outline.
#include <algorithm>
#include <tuple>
#include <vector>

#include "core/edges/edges.hpp"
#include "microqr/candidate.hpp"
#include "qr/finder.hpp"

namespace zr::microqr {
namespace {

constexpr int kFinderRuns = 5;
constexpr double kThinLow = 0.4, kThinHigh = 1.6;  // runs a, b, d, e in units
constexpr double kCoreLow = 1.2, kCoreHigh = 4.8;  // run c in units
// How far out a turned finder's corner lay per pixel of the run that is left
// of it on the outline's extreme row or column.
constexpr double kCornerCut = 0.25;
// The middle half of an upright finder's side extents spans less than this
// share of the finder (a turn of about 3.5 degrees over half a side).
constexpr double kUprightSpread = 16.0;

bool Within(double width, double unit, double low, double high) {
    return width >= low * unit && width <= high * unit;
}

}  // namespace

bool CheckFinderRatioStrict(const lines::RunScan &scan) {
    if (scan.elements != kFinderRuns || scan.widths.size() < static_cast<std::size_t>(kFinderRuns))
        return false;
    double total = 0;
    for (int i = 0; i < kFinderRuns; ++i) total += scan.widths[static_cast<std::size_t>(i)];
    const double unit = total / kFinderModules;
    for (int i = 0; i < kFinderRuns; ++i) {
        const double width = scan.widths[static_cast<std::size_t>(i)];
        const bool core = i == 2;
        if (!Within(width, unit, core ? kCoreLow : kThinLow, core ? kCoreHigh : kThinHigh)) return false;
    }
    return true;
}

bool LocateFinderCorners(const regions::Region &region, MicroQRCandidate &candidate, edges::FitWork &work,
                         bool outerEdges) {
    // One extent entry per row and per column of the bounding box.
    const int height = static_cast<int>(region.rowLeft.size());
    const int width = static_cast<int>(region.colTop.size());
    if (height < 1 || width < 1 || region.rowRight.size() != region.rowLeft.size() ||
        region.colBottom.size() != region.colTop.size())
        return false;
    edges::EdgeFit left, right, top, bottom;
    for (const auto &[extent, last, fit] :
         {std::tuple{&region.rowLeft, height - 1, &left}, std::tuple{&region.rowRight, height - 1, &right},
          std::tuple{&region.colTop, width - 1, &top}, std::tuple{&region.colBottom, width - 1, &bottom}}) {
        if (!edges::FitEdgeLine(extent->data(), last, *fit, work)) return false;
    }
    edges::EdgeLine leftSide = edges::RowEdgeLine(left, region.box.y0);
    edges::EdgeLine rightSide = edges::RowEdgeLine(right, region.box.y0);
    edges::EdgeLine topSide = edges::ColumnEdgeLine(top, region.box.x0);
    edges::EdgeLine bottomSide = edges::ColumnEdgeLine(bottom, region.box.x0);
    if (outerEdges) {
        // Extents name the outline's pixels: each side runs through the middle
        // of its rows (columns), the right and bottom ones a pixel further out.
        leftSide = leftSide.Moved({0, 0.5});
        rightSide = rightSide.Moved({1, 0.5});
        topSide = topSide.Moved({0.5, 0});
        bottomSide = bottomSide.Moved({0.5, 1});
    }
    candidate.outerEdges = outerEdges;
    const std::optional<geom::PointF> topLeft = edges::IntersectEdgeLines(leftSide, topSide);
    const std::optional<geom::PointF> topRight = edges::IntersectEdgeLines(rightSide, topSide);
    const std::optional<geom::PointF> bottomRight = edges::IntersectEdgeLines(rightSide, bottomSide);
    const std::optional<geom::PointF> bottomLeft = edges::IntersectEdgeLines(leftSide, bottomSide);
    if (!topLeft || !topRight || !bottomRight || !bottomLeft) return false;
    candidate.finder = {*topLeft, *topRight, *bottomRight, *bottomLeft};
    return true;
}

bool DiamondFinderCorners(const regions::Region &region, MicroQRCandidate &candidate) {
    const std::size_t height = region.rowLeft.size(), width = region.colTop.size();
    if (height < 2 || width < 2 || region.rowRight.size() != height || region.colBottom.size() != width)
        return false;
    // Each extreme row or column of a turned square touches it at one corner
    // only; a side lying along it means the square is not turned enough.
    const auto rowRun = [&](std::size_t i) { return region.rowRight[i] - region.rowLeft[i] + 1; };
    const auto columnRun = [&](std::size_t i) { return region.colBottom[i] - region.colTop[i] + 1; };
    if (rowRun(0) * 4 > std::int32_t(width) || rowRun(height - 1) * 4 > std::int32_t(width) ||
        columnRun(0) * 4 > std::int32_t(height) || columnRun(width - 1) * 4 > std::int32_t(height))
        return false;
    const auto middle = [](std::int32_t a, std::int32_t b) { return (double(a) + double(b) + 1) / 2; };
    // Blur and the threshold cut a square's corner off: at 45 degrees a
    // corner cut to a run of r pixels lay r / 2 further out, less the part of
    // the cut-off triangle the threshold still counted dark.
    const auto cut = [](std::int32_t run) { return double(run) * kCornerCut; };
    geom::QuadF &f = candidate.finder;
    // Corners on the outer pixel edges, in clockwise order from the left one.
    f.topLeft = {double(region.box.x0) - cut(columnRun(0)), middle(region.colTop[0], region.colBottom[0])};
    f.topRight = {middle(region.rowLeft[0], region.rowRight[0]), double(region.box.y0) - cut(rowRun(0))};
    f.bottomRight = {double(region.box.x1) + cut(columnRun(width - 1)),
                     middle(region.colTop[width - 1], region.colBottom[width - 1])};
    f.bottomLeft = {middle(region.rowLeft[height - 1], region.rowRight[height - 1]),
                    double(region.box.y1) + cut(rowRun(height - 1))};
    candidate.outerEdges = true;
    return true;
}

bool BoxFinderCorners(const regions::Region &region, MicroQRCandidate &candidate,
                      std::vector<std::int32_t> &extent) {
    const std::size_t height = region.rowLeft.size(), width = region.colTop.size();
    if (height < 4 || width < 4 || region.rowRight.size() != height || region.colBottom.size() != width)
        return false;
    // Each side of a square that is hardly turned keeps nearly one extent
    // along the whole side; its middle quartiles ignore specks and bites.
    double sides[4];
    const std::vector<std::int32_t> *arrays[4] = {&region.rowLeft, &region.colTop, &region.rowRight,
                                                  &region.colBottom};
    for (int i = 0; i < 4; ++i) {
        extent = *arrays[i];
        const auto n = static_cast<std::ptrdiff_t>(extent.size());
        std::nth_element(extent.begin(), extent.begin() + n / 4, extent.end());
        const double low = extent[static_cast<std::size_t>(n / 4)];
        std::nth_element(extent.begin(), extent.begin() + n / 2, extent.end());
        const double median = extent[static_cast<std::size_t>(n / 2)];
        std::nth_element(extent.begin(), extent.begin() + 3 * n / 4, extent.end());
        const double high = extent[static_cast<std::size_t>(3 * n / 4)];
        if ((high - low) * kUprightSpread > double(i % 2 == 0 ? width : height)) return false;
        sides[i] = median;
    }
    // On the outer pixel edges: the right and bottom extents name the last pixels.
    const double left = sides[0], top = sides[1], right = sides[2] + 1, bottom = sides[3] + 1;
    candidate.finder = {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
    candidate.outerEdges = true;
    return true;
}

double MeasureFinderBloat(const BitImageView &view, const regions::Region &region, lines::RunScan &scan) {
    // Each dark run of the profile a, b, c, d, e grows by the bloat on both
    // sides and each light one shrinks by as much: a + e - b - d = 8 x bloat.
    const auto bloatOf = [](const lines::RunScan &profile) {
        const auto &w = profile.widths;
        return (double(w[0]) + double(w[4]) - double(w[1]) - double(w[3])) / 8.0;
    };
    double sum = 0;
    int profiles = 0;
    if (qr::CheckFinderRow(scan, view, region, CheckFinderRatioStrict)) {
        sum += bloatOf(scan);
        ++profiles;
    }
    if (qr::CheckFinderColumn(scan, view, region, CheckFinderRatioStrict)) {
        sum += bloatOf(scan);
        ++profiles;
    }
    return profiles == 0 ? 0 : sum / profiles;
}

void ShrinkFinder(MicroQRCandidate &candidate, double bloat) {
    const geom::QuadF outer = candidate.finder;
    for (int i = 0; i < geom::QuadF::kCorners; ++i) {
        const geom::PointF alongRow = outer[(i + 1) % 4] - outer[i];
        const geom::PointF alongColumn = outer[(i + 3) % 4] - outer[i];
        const double rowLength = geom::Length(alongRow), columnLength = geom::Length(alongColumn);
        if (rowLength > 0) candidate.finder[i] += (bloat / rowLength) * alongRow;
        if (columnLength > 0) candidate.finder[i] += (bloat / columnLength) * alongColumn;
    }
}

}  // namespace zr::microqr
