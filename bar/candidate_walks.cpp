// Candidate walks: to the ground along the line a run at a time, and the
// outline probes pixel by pixel along any table or a run at a time along
// tables that walk along rows or columns.
#include "bar/candidate_walks.hpp"

#include <algorithm>
#include <limits>

#include "core/lines/table_bits.hpp"

namespace zr::bar {

namespace {

// Steps that surely stay inside the area from (x, y), whatever their direction.
int SafeSteps(int x, int y, const Rect &area) {
    return std::max(0,
                    std::min(std::min(x - area.x0, area.x1 - 1 - x), std::min(y - area.y0, area.y1 - 1 - y)));
}

}  // namespace

// The pixels are taken a run of one colour at a time; pixel i of the walk
// is the i-th step's, and the walk counts it as its i-th pixel.
bool WalkToGround(const Picture &picture, Point start, const StepTable &table, const lines::AxisWalk &axis,
                  WidthStats &stats, WalkResult &out) {
    lines::TableBits pixels(picture.image, picture.area, start, table, axis);
    out = WalkResult{};
    bool dark = picture.image.Dark(start);
    // An element far wider than the mean of its colour is ground: a light one
    // means dark bars, a dark one light bars. The widths that count as far
    // wider change only when an element closes. Widths are whole pixels:
    // wider than a limit is wider than its whole part.
    const auto widest = [&]() {
        const double mean = dark ? stats.DarkMean() : stats.LightMean();
        // After eight elements the lower limit (4.5 or 4.8 means) applies, else 6 means.
        const double limit = stats.Elements() > 8 ? (dark ? 4.5 : 4.8) * mean : 6 * mean;
        return mean > 0 ? std::max(static_cast<int>(std::min(limit, 1e9)), 1)
                        : std::numeric_limits<int>::max();
    };
    for (int first = 0;;) {  // the open element's first pixel
        const int change = pixels.NextChange(first, dark);
        // Its pixel first + widest makes it too wide, if the element reaches it.
        const int limit = widest();
        if (limit < change - first) {
            const int tooWide = first + limit;
            if (tooWide > lines::kPixelLimit) return false;
            out.pixels = tooWide;
            out.barColor = dark ? kLightBars : kDarkBars;
            out.end = pixels.At(std::max(first - 1, 0));  // the pixel before the element
            return true;
        }
        if (change >= pixels.Walked() && pixels.Ended()) {  // no step beyond the last pixel
            if (change - 1 > lines::kPixelLimit) return false;
            out.pixels = change - 1;
            out.end = pixels.At(change - 1);
            return true;
        }
        if (change > lines::kPixelLimit) return false;
        stats.Add(dark, change - first);
        ++out.elements;
        dark = !dark;
        first = change;
    }
}

// The colours are counted without a branch, and the area is tested only
// near its edge.
bool SeesBothColours(const Picture &picture, const StepTable &table, const RowSteps &rowStep, Point base,
                     int c) {
    const Rect &area = picture.area;
    const unsigned lightBit = picture.image.SetBitIsDark() ? 0u : 1u;
    int x = base.x, y = base.y;
    const std::uint8_t *row = picture.image.Row(y);
    int safe = SafeSteps(x, y, area);
    int dark = 0, light = 0;
    for (int index = 0;;) {
        const int isDark =
            static_cast<int>(((static_cast<unsigned>(row[x >> 3]) >> (7 - (x & 7))) ^ lightBit) & 1u);
        dark += isDark;
        light += 1 - isDark;
        if (dark > c && light > c) return true;
        if (dark > 3 * c || light > 3 * c) return false;
        const std::uint8_t code = table[static_cast<std::size_t>(index)];
        index = index + 1 == kStepTableSize ? 0 : index + 1;
        const int nx = x + lines::kStepDx[code], ny = y + lines::kStepDy[code];
        if (safe > 0) {
            --safe;
        } else {
            if (!area.Contains(nx, ny)) return false;
            safe = SafeSteps(nx, ny, area);
        }
        x = nx;
        y = ny;
        row += rowStep[code];
    }
}

std::optional<bool> SeesBothColoursByRuns(const Picture &picture, const AlongRuns &runs, Point base, int c) {
    if (!runs.FitsFrom(base, picture.area)) return std::nullopt;
    const unsigned lightBit = picture.image.SetBitIsDark() ? 0u : 1u;
    const std::ptrdiff_t pitch = picture.image.Pitch();
    int dark = 0, light = 0;
    for (int r = 0; r < runs.Count(); ++r) {
        const AlongRuns::Run &run = runs[r];
        const Point first = base + run.first;
        const std::uint64_t bits =
            runs.AlongRows() ? lines::RowPixels(picture.image.Row(first.y), pitch, first.x - runs.Step().x,
                                                runs.Step().x, run.length, lightBit)
                             : lines::ColumnPixels(picture.image.Row(first.y), -runs.Step().y * pitch,
                                                   first.x, run.length, lightBit);
        const int runDark = lines::PopCount64(bits);
        const int nextDark = dark + runDark, nextLight = light + run.length - runDark;
        if (!(nextDark > c && nextLight > c) && nextDark <= 3 * c && nextLight <= 3 * c) {
            dark = nextDark;
            light = nextLight;
            continue;
        }
        // The decision falls in this run: pixel by pixel, as the plain walk.
        for (int k = run.length - 1; k >= 0; --k) {
            const int isDark = static_cast<int>((bits >> k) & 1u);
            dark += isDark;
            light += 1 - isDark;
            if (dark > c && light > c) return true;
            if (dark > 3 * c || light > 3 * c) return false;
        }
    }
    return std::nullopt;  // more pixels than the runs hold
}

}  // namespace zr::bar
