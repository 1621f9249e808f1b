// Finder-pattern tests on labelled regions.
#include "qr/finder.hpp"

#include <algorithm>

namespace zr::qr {

bool CheckFinderRatio(const lines::RunScan &scan) {
    if (scan.elements != 5) return false;
    double sum = 0;
    for (int i = 0; i < 5; ++i) sum += scan.widths[static_cast<std::size_t>(i)];
    const double unit = sum / 7.0;
    int outside = 0;
    for (int i = 0; i < 5; ++i) {
        const double w = scan.widths[static_cast<std::size_t>(i)];
        const bool centre = i == 2;
        const double low = (centre ? 1.2 : 0.4) * unit;
        const double high = (centre ? 4.8 : 1.6) * unit;
        if (w < low || w > high) ++outside;
    }
    return outside <= 1;
}

namespace {

// Runs of the pixels at start + i * step, i = 0 .. count - 1.
void CollectProfile(lines::RunScan &scan, const BitImageView &view, int x, int y, int dx, int dy, int count) {
    scan.elements = 0;
    if (count <= 0) return;
    const std::size_t capacity = scan.widths.size();
    bool dark = view.Dark(x, y);
    scan.startsLight = dark ? 0 : 1;
    std::size_t element = 0;
    std::uint16_t width = 0;
    for (int i = 0; i < count; ++i, x += dx, y += dy) {
        const bool d = view.Dark(x, y);
        if (d == dark) {
            ++width;
            continue;
        }
        scan.widths[element++] = width;
        if (element >= capacity) break;
        dark = d;
        width = 1;
    }
    if (element < capacity) scan.widths[element++] = width;
    scan.elements = static_cast<std::int16_t>(element);
}

}  // namespace

bool MayHoldFinderRow(const BitImageView &view, const regions::Region &region) {
    const int middle = (region.box.y0 + region.box.y1) >> 1;
    for (const int y : {middle, middle - 1, middle + 1}) {
        if (y < region.box.y0 || y >= region.box.y1) continue;
        if (RowChanges(view, y, region.box.x0, region.box.x1, kFinderRowChanges) >= kFinderRowChanges)
            return true;
    }
    return false;
}

bool ProfileRow(lines::RunScan &scan, const BitImageView &view) {
    scan.elements = 0;
    if (scan.startY < 0 || scan.startY >= view.Height() || scan.startX < 0) return false;
    if (scan.stopX > view.Width()) return false;
    CollectProfile(scan, view, scan.startX, scan.startY, 1, 0, scan.stopX - scan.startX);
    return true;
}

bool ProfileColumn(lines::RunScan &scan, const BitImageView &view) {
    scan.elements = 0;
    if (scan.startX < 0 || scan.startX >= view.Width() || scan.startY < 0) return false;
    if (scan.stopY > view.Height()) return false;
    CollectProfile(scan, view, scan.startX, scan.startY, 0, 1, scan.stopY - scan.startY);
    return true;
}

bool CheckFinderRow(lines::RunScan &scan, const BitImageView &view, const regions::Region &region,
                    FinderRatioTest test) {
    const int middle = (region.box.y0 + region.box.y1) >> 1;
    for (const int y : {middle, middle - 1, middle + 1}) {
        if (y < region.box.y0 || y >= region.box.y1) continue;
        const auto row = static_cast<std::size_t>(y - region.box.y0);
        if (region.rowLeft[row] == regions::kNoOutline) continue;
        scan.startX = region.rowLeft[row];
        scan.startY = y;
        scan.stopX = region.rowRight[row] + 1;
        if (!ProfileRow(scan, view)) return false;
        if (test(scan)) return true;
    }
    return false;
}

bool CheckFinderColumn(lines::RunScan &scan, const BitImageView &view, const regions::Region &region,
                       FinderRatioTest test) {
    const int middle = (region.box.x0 + region.box.x1) >> 1;
    for (const int x : {middle, middle - 1, middle + 1}) {
        if (x < region.box.x0 || x >= region.box.x1) continue;
        const auto column = static_cast<std::size_t>(x - region.box.x0);
        if (region.colTop[column] == regions::kNoOutline) continue;
        scan.startX = x;
        scan.startY = region.colTop[column];
        scan.stopY = region.colBottom[column] + 1;
        if (!ProfileColumn(scan, view)) return false;
        if (test(scan)) return true;
    }
    return false;
}

namespace {

// True when every pixel around the region's box was labelled (or lies on
// the picture's outermost rows and columns, which labelling paints light):
// the region is then a whole connected shape of the picture. The rectangle's
// bottom row is labelled into no region, so the box has to end above it.
bool WholeShape(const BitImageView &view, const regions::Region &region, const geom::SearchBounds &labelled) {
    const geom::Rect &box = region.box;
    const int right = std::min(static_cast<int>(labelled.x1), view.Width() - 1);
    const int bottom = std::min(static_cast<int>(labelled.y1), view.Height() - 1);
    return box.x0 > static_cast<int>(labelled.x0) && box.y0 > static_cast<int>(labelled.y0) &&
           box.x1 <= right && (box.y1 < bottom || bottom == view.Height() - 1);
}

// True when five neighbouring runs of the scan's line, dark to dark, pass
// `test`, or when the line filled the run buffer (its later runs unread).
bool AnyFiveRunsPass(const lines::RunScan &scan, lines::RunScan &window, FinderRatioTest test) {
    const int elements = scan.elements;
    if (static_cast<std::size_t>(elements) >= scan.widths.size()) return true;
    window.elements = 5;
    for (int first = scan.startsLight ? 1 : 0; first + 5 <= elements; first += 2) {
        for (int k = 0; k < 5; ++k)
            window.widths[static_cast<std::size_t>(k)] = scan.widths[static_cast<std::size_t>(first + k)];
        if (test(window)) return true;
    }
    return false;
}

}  // namespace

bool BoxMayPassFinderTests(lines::RunScan &scan, lines::RunScan &window, const BitImageView &view,
                           const regions::Region &region, const geom::SearchBounds &labelled,
                           FinderRatioTest test) {
    if (!WholeShape(view, region, labelled)) return true;
    if (window.widths.size() < 5) window.widths.assign(5, 0);
    bool row = false;
    const int middleRow = (region.box.y0 + region.box.y1) >> 1;
    for (const int y : {middleRow, middleRow - 1, middleRow + 1}) {
        if (y < region.box.y0 || y >= region.box.y1) continue;
        scan.startX = region.box.x0;
        scan.startY = y;
        scan.stopX = region.box.x1;
        if (ProfileRow(scan, view) && AnyFiveRunsPass(scan, window, test)) {
            row = true;
            break;
        }
    }
    if (!row) return false;
    const int middleColumn = (region.box.x0 + region.box.x1) >> 1;
    for (const int x : {middleColumn, middleColumn - 1, middleColumn + 1}) {
        if (x < region.box.x0 || x >= region.box.x1) continue;
        scan.startX = x;
        scan.startY = region.box.y0;
        scan.stopY = region.box.y1;
        if (ProfileColumn(scan, view) && AnyFiveRunsPass(scan, window, test)) return true;
    }
    return false;
}

void CollectFinderCandidates(const BitImageView &view, regions::RegionList &regionList,
                             std::vector<FinderCandidate> &candidates, FinderRatioTest test,
                             const geom::SearchBounds *labelled) {
    lines::RunScan scan, window;
    scan.area = view.Bounds();
    lines::RunBufferInit(scan, lines::kLeftToRight);
    for (regions::Region &region : regionList) {
        const double w = region.Width();
        const double h = region.Height();
        if (!(w / h >= 0.8) || !(h / w >= 0.8)) continue;
        if (!MayHoldFinderRow(view, region)) continue;  // the row test would fail: no trace
        // Neither would the row or the column test here (see BoxMayPassFinderTests).
        if (labelled != nullptr && !BoxMayPassFinderTests(scan, window, view, region, *labelled, test))
            continue;
        regions::EnsureOutline(view, region);
        if (!region.HasOutline()) continue;
        if (!CheckFinderRow(scan, view, region, test) || !CheckFinderColumn(scan, view, region, test))
            continue;
        FinderCandidate c;
        c.region = &region;
        c.centre = {(region.box.x0 + region.box.x1) / 2.0, (region.box.y0 + region.box.y1) / 2.0};
        candidates.push_back(c);
    }
}

}  // namespace zr::qr
