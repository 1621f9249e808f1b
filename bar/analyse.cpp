// Examines a candidate line: finds both ends of the bar pattern, decides
// which bar colours are possible and outlines the symbol roughly.
#include <algorithm>
#include <array>
#include <cmath>

#include "bar/stages.hpp"
#include "core/lines/table_bits.hpp"

namespace zr::bar {

namespace {

constexpr int kAcrossShift = 9;                  // steps from the candidate's start into the symbol
constexpr int kPixelLimit = lines::kPixelLimit;  // pixels one walk may take
constexpr int kMinElements = 12;                 // elements the two walks must see together
constexpr double kMinPixelsPerElement = 1.4;
constexpr int kMinOutlineSpan = 8;  // pixels, along and across

struct WalkResult {
    Point end;  // last pixel of the bar pattern
    int pixels = 0;
    int elements = 0;
    std::uint8_t barColor = 0;  // the bar colour a ground element implies, 0 when none was met
};

// Walks from `start` along `table`, closing elements into `stats`, until a
// ground element, the rectangle's end or the pixel limit (false).
bool WalkToGround(const Picture &picture, Point start, const StepTable &table, WidthStats &stats,
                  WalkResult &out) {
    BitCursor cursor(picture.image);
    cursor.MoveTo(start);
    TableWalk walk{&table};
    bool dark = cursor.Dark();
    int width = 1;
    Point previous = start;  // pixel before the open element
    out = WalkResult{};
    out.end = start;
    // An element far wider than the mean of its colour is ground: a light one
    // means dark bars, a dark one light bars. The widths that count as far
    // wider change only when an element closes.
    double mean = 0, wideAfterEight = 0, wide = 0;
    bool afterEight = false;
    const auto openElement = [&]() {
        mean = dark ? stats.DarkMean() : stats.LightMean();
        wideAfterEight = (dark ? 4.5 : 4.8) * mean;
        wide = 6 * mean;
        afterEight = stats.Elements() > 8;
    };
    openElement();
    for (;;) {
        const Point here = cursor.At();
        if (!cursor.StepInside(walk.Next(), picture.area)) {
            out.end = here;
            return true;
        }
        if (++out.pixels > kPixelLimit) return false;
        const bool pixelDark = cursor.Dark();
        if (pixelDark == dark) {
            ++width;
            if (mean > 0 && ((afterEight && width > wideAfterEight) || width > wide)) {
                out.barColor = dark ? kLightBars : kDarkBars;
                out.end = previous;
                return true;
            }
            continue;
        }
        stats.Add(dark, width);
        ++out.elements;
        previous = here;
        dark = pixelDark;
        width = 1;
        openElement();
    }
}

// Narrows the possible colours to the one a walk found; false when that
// colour is not allowed or already ruled out.
bool ApplyGround(std::uint8_t barColor, std::uint8_t barColors, std::uint8_t &colours) {
    if (barColor == 0) return true;
    if (!(barColors & barColor) || !(colours & barColor)) return false;
    colours = barColor;
    return true;
}

// Steps that surely stay inside the area from (x, y), whatever their direction.
int SafeSteps(int x, int y, const Rect &area) {
    return std::max(0,
                    std::min(std::min(x - area.x0, area.x1 - 1 - x), std::min(y - area.y0, area.y1 - 1 - y)));
}

// True when a walk along `table` from `base` sees more than c pixels of both
// colours before it sees more than 3c of either or leaves the area. The
// colours are counted without a branch, and the area is tested only near
// its edge.
bool SeesBothColours(const Picture &picture, const StepTable &table, const std::ptrdiff_t (&rowStep)[8],
                     Point base, int c) {
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

// The first pixels of every walk from a base along a table that walks along
// rows, as runs of pixels side by side in one row: each base then costs a
// load and a population count per run instead of a step per pixel.
class AlongRuns {
  public:
    struct Run {
        Point first;  // offset of the run's first pixel from the base
        int length = 0;
    };

    // Runs holding at least `pixels` pixels, or as many as fit.
    AlongRuns(const StepTable &table, const lines::RowWalk &rows, int pixels) : xStep_(rows.xStep) {
        if (xStep_ == 0) return;
        Point at{0, 0};  // the next run's first pixel
        int index = 0;   // the table entry of the step after that pixel
        while (count_ < kMaxRuns && pixels_ < pixels) {
            const int length = 1 + rows.run[static_cast<std::size_t>(index)];
            runs_[count_++] = {at, length};
            pixels_ += length;
            low_ = {std::min(low_.x, std::min(at.x, at.x + (length - 1) * xStep_)), std::min(low_.y, at.y)};
            high_ = {std::max(high_.x, std::max(at.x, at.x + (length - 1) * xStep_)), std::max(high_.y, at.y)};
            // The steps along the row, then the step to the next row.
            index = (index + length - 1) % kStepTableSize;
            at.x += (length - 1) * xStep_;
            at += StepVector(table[static_cast<std::size_t>(index)]);
            index = index + 1 == kStepTableSize ? 0 : index + 1;
        }
    }

    bool Usable() const { return xStep_ != 0; }
    int Count() const { return count_; }
    int Pixels() const { return pixels_; }
    const Run &operator[](int i) const { return runs_[static_cast<std::size_t>(i)]; }
    int XStep() const { return xStep_; }
    // Whether every pixel of the runs from `base` lies in the area.
    bool FitsFrom(Point base, const Rect &area) const {
        return area.Contains(base + low_) && area.Contains(base + high_);
    }

  private:
    static constexpr int kMaxRuns = 64;
    int xStep_ = 0;
    std::array<Run, kMaxRuns> runs_{};
    int count_ = 0;
    int pixels_ = 0;
    Point low_{0, 0}, high_{0, 0};
};

// SeesBothColours over the runs, when the base lets every run lie in the
// area; nothing when the walk would go past the runs or near the area's edge.
std::optional<bool> SeesBothColoursByRuns(const Picture &picture, const AlongRuns &runs, Point base, int c) {
    if (!runs.FitsFrom(base, picture.area)) return std::nullopt;
    const unsigned lightBit = picture.image.SetBitIsDark() ? 0u : 1u;
    const std::ptrdiff_t pitch = picture.image.Pitch();
    int dark = 0, light = 0;
    for (int r = 0; r < runs.Count(); ++r) {
        const AlongRuns::Run &run = runs[r];
        const Point first = base + run.first;
        const std::uint64_t bits = lines::RowPixels(picture.image.Row(first.y), pitch, first.x - runs.XStep(),
                                                    runs.XStep(), run.length, lightBit);
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

// Moves a base across the bars while a walk along the reading direction
// still sees both colours in quantity; returns the last base on the symbol.
Point OutlineSide(const Picture &picture, const Candidate &cand, const AlongRuns &runs, Point start,
                  StepIndex across, int c) {
    std::ptrdiff_t rowStep[8];
    for (int code = 0; code < 8; ++code)
        rowStep[code] =
            -static_cast<std::ptrdiff_t>(lines::kStepDy[code]) * picture.image.Pitch();  // rows run bottom-up
    TableWalk acrossWalk{&cand.steps[across]};
    BitCursor base(picture.image);
    base.MoveTo(start);
    Point last = start;
    for (;;) {
        if (!base.StepInside(acrossWalk.Next(), picture.area)) return last;
        std::optional<bool> sees;
        if (runs.Usable()) sees = SeesBothColoursByRuns(picture, runs, base.At(), c);
        if (!sees) sees = SeesBothColours(picture, cand.steps[kAlong], rowStep, base.At(), c);
        if (!*sees) return last;
        last = base.At();
    }
}

// Rough outline around the line from extent.start to extent.end; false
// when it is too small.
bool CandidateOutline(const Picture &picture, const Candidate &cand, Extent &extent) {
    const Rect &area = picture.area;
    // How far the pattern extends to either side of the line.
    const int c =
        static_cast<int>(std::lround(5 * std::max(extent.stats.DarkMean(), extent.stats.LightMean())));
    // A walk decides within 6c + 1 pixels: by then one colour has more than 3c.
    const AlongRuns runs(cand.steps[kAlong], lines::RowWalk(cand.steps[kAlong]), 6 * c + 1);
    const Point p0 = OutlineSide(picture, cand, runs, extent.start, kAcrossUp, c);
    const Point p3 = OutlineSide(picture, cand, runs, extent.start, kAcrossDown, c);
    const Point length = extent.end - extent.start;
    QuadI &o = extent.outline;
    o.topLeft = area.Clamp(p0);
    o.topRight = area.Clamp(p0 + length);
    o.bottomLeft = area.Clamp(p3);
    o.bottomRight = area.Clamp(p3 + length);
    const Spans right = SpansOf(o.bottomRight, o.topRight, cand.direction);
    const Spans left = SpansOf(o.bottomLeft, o.topLeft, cand.direction);
    const Spans top = SpansOf(o.topRight, o.topLeft, cand.direction);
    const Spans bottom = SpansOf(o.bottomRight, o.bottomLeft, cand.direction);
    return right.across >= kMinOutlineSpan && left.across >= kMinOutlineSpan &&
           top.along >= kMinOutlineSpan && bottom.along >= kMinOutlineSpan;
}

}  // namespace

std::optional<Extent> AnalyseCandidate(const Picture &picture, const Candidate &cand,
                                       std::uint8_t barColors) {
    // Move into the symbol, across the bars.
    Point start = cand.start;
    TableWalk across{&cand.steps[kAcrossDown]};
    for (int i = 0; i < kAcrossShift; ++i) {
        start += StepVector(across.Next());
        if (!picture.area.Contains(start)) return std::nullopt;
    }

    Extent extent;
    extent.stats = cand.stats;
    extent.colours = kBothColours;
    WalkResult forward, backward;
    if (!WalkToGround(picture, start, cand.steps[kAlong], extent.stats, forward)) return std::nullopt;
    if (!ApplyGround(forward.barColor, barColors, extent.colours)) return std::nullopt;
    if (!WalkToGround(picture, start, cand.steps[kBack], extent.stats, backward)) return std::nullopt;
    if (!ApplyGround(backward.barColor, barColors, extent.colours)) return std::nullopt;

    const int pixels = forward.pixels + backward.pixels;
    const int elements = forward.elements + backward.elements;
    if (elements < kMinElements || pixels < kMinPixelsPerElement * elements) return std::nullopt;
    extent.start = backward.end;
    extent.end = forward.end;
    if (!CandidateOutline(picture, cand, extent)) return std::nullopt;
    return extent;
}

}  // namespace zr::bar
