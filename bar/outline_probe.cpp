// Outline probes: pixel by pixel along any table, and a row run at a time
// along tables that walk along rows.
#include "bar/outline_probe.hpp"

#include <algorithm>

namespace zr::bar {

namespace {

// Steps that surely stay inside the area from (x, y), whatever their direction.
int SafeSteps(int x, int y, const Rect &area) {
    return std::max(0,
                    std::min(std::min(x - area.x0, area.x1 - 1 - x), std::min(y - area.y0, area.y1 - 1 - y)));
}

}  // namespace

// The colours are counted without a branch, and the area is tested only
// near its edge.
bool SeesBothColours(const Picture &picture, const StepTable &table, const RowSteps &rowStep, Point base, int c) {
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
            runs.AlongRows()
                ? lines::RowPixels(picture.image.Row(first.y), pitch, first.x - runs.Step().x, runs.Step().x,
                                   run.length, lightBit)
                : lines::ColumnPixels(picture.image.Row(first.y), -runs.Step().y * pitch, first.x, run.length,
                                      lightBit);
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
