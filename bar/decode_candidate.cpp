// Decodes a candidate: line by line across the symbol, then from the
// averaged widths of the lines that failed.
#include <algorithm>
#include <array>
#include <cmath>

#include "bar/classes.hpp"
#include "bar/decoder_tables.hpp"
#include "bar/stages.hpp"

namespace zr::bar {

namespace {

constexpr int kLineCount = 50;
constexpr int kLineSpacing = 3;
constexpr std::size_t kMinElements = 10;
constexpr double kQuietZone = 3.5;  // a ground element this many ground means wide ends the symbol

// Class-string decoding of one line reading, with the Code 39 retry.
std::uint16_t DecodeLineReading(const Widths &widths, DecodeState &state) {
    std::uint16_t status = DecodeStringTables(ElementsToClasses(widths, state.barColor), state);
    if (!Decoded(status) && (state.symbologies & ZR_BAR_CODE39)) {
        const std::uint16_t retry = Code39Retry(widths, state);
        if (Decoded(retry)) status = retry;
    }
    return status;
}

// Widths of the most frequent element count, averaged in quarter pixels.
bool AverageReadings(const DecodeWork &work, Widths &averaged) {
    const std::size_t readings = work.Readings();
    if (readings == 0) return false;
    // The most frequent element count; the smallest count wins ties.
    std::size_t count = 0;
    int best = 0;
    for (std::size_t i = 0; i < readings; ++i) {
        const std::size_t size = work.Reading(i).size();
        int times = 0;
        for (std::size_t j = 0; j < readings; ++j) times += work.Reading(j).size() == size ? 1 : 0;
        if (times > best || (times == best && size < count)) {
            best = times;
            count = size;
        }
    }
    std::array<std::uint32_t, kMaxElements> sums{};
    for (std::size_t r = 0; r < readings; ++r) {
        const Widths &reading = work.Reading(r);
        if (reading.size() != count) continue;
        for (std::size_t i = 0; i < count; ++i) sums[i] += reading[i];
    }
    averaged.assign(count, 0);
    for (std::size_t i = 0; i < count; ++i) {
        const double quarter = std::floor(sums[i] * 4.0 / best + 0.5);
        averaged[i] = static_cast<std::uint16_t>(std::min(quarter, 65535.0));
    }
    return true;
}

}  // namespace

bool CollectSymbolLine(const Picture &picture, const StepTables &steps, const WidthStats &stats, Point base,
                       std::uint8_t barColor, SymbolLine &line) {
    const Rect &area = picture.area;
    if (!area.Contains(base)) return false;
    const bool barIsDark = barColor == kDarkBars;
    BitCursor cursor(picture.image);
    cursor.MoveTo(base);

    // Find a pixel of the bar colour near the base.
    const double searchLimit = 4 * std::max(stats.DarkMean(), stats.LightMean());
    TableWalk along{&steps[kAlong]};
    int walked = 0;
    while (cursor.Dark() != barIsDark) {
        if (++walked > searchLimit || !cursor.StepInside(along.Next(), area)) return false;
    }
    // Back to the first pixel of that bar.
    TableWalk back{&steps[kBack]};
    for (;;) {
        BitCursor probe = cursor;
        if (!probe.StepInside(back.Next(), area) || probe.Dark() != barIsDark) break;
        cursor = probe;
    }
    line.first = cursor.At();

    // Collect elements up to the quiet zone.
    const double groundLimit = kQuietZone * stats.GroundMean(barColor);
    along = TableWalk{&steps[kAlong]};
    Point lastBarPixel = line.first;
    // One pass per pixel without a branch on its colour (noise would
    // mispredict it): every width is written, and kept when the colour changes.
    std::array<std::uint16_t, kMaxElements> widths;
    std::size_t count = 0;
    bool onBar = true;
    int width = 1;
    for (;;) {
        const Point here = cursor.At();
        if (!cursor.StepInside(along.Next(), area)) {
            if (onBar) {
                lastBarPixel = here;
                widths[count++] = static_cast<std::uint16_t>(std::min(width, 0xFFFF));
            }
            break;
        }
        const bool isBar = cursor.Dark() == barIsDark;
        const bool changed = isBar != onBar;
        widths[count] = static_cast<std::uint16_t>(std::min(width, 0xFFFF));
        count += changed ? 1 : 0;
        lastBarPixel = changed && onBar ? here : lastBarPixel;
        width = changed ? 1 : width + 1;
        onBar = isBar;
        if (count >= kMaxElements) break;
        if (!changed && !onBar && width > groundLimit) break;  // the quiet zone
    }
    line.widths.assign(widths.begin(), widths.begin() + static_cast<std::ptrdiff_t>(count));
    if (!line.widths.empty() && line.widths.size() % 2 == 0) line.widths.pop_back();  // ends with a bar
    line.last = lastBarPixel;
    return line.widths.size() >= kMinElements;
}

std::uint16_t DecodeCandidate(const Picture &picture, const Candidate &cand, const Extent &extent,
                              DecodeState &state, DecodeWork &work) {
    work.ClearReadings();

    // Line by line, starting 6 pixels inside the outline's first corner.
    Point base = extent.outline.topLeft;
    TableWalk across{&cand.steps[kAcrossDown]};
    auto moveAcross = [&](int steps) {
        for (int i = 0; i < steps; ++i) base += StepVector(across.Next());
    };
    moveAcross(kLineSpacing);
    moveAcross(kLineSpacing);
    SymbolLine &line = work.line;
    for (int i = 0; i < kLineCount && picture.area.Contains(base); ++i, moveAcross(kLineSpacing)) {
        if (!CollectSymbolLine(picture, cand.steps, extent.stats, base, state.barColor, line)) continue;
        const std::uint16_t status = DecodeLineReading(line.widths, state);
        if (Decoded(status)) return status;
        work.KeepReading(line.widths);
    }

    // Averaged widths of the lines that failed.
    Widths &averaged = work.averaged;
    if (!AverageReadings(work, averaged)) return kNotDecodable;
    std::uint16_t status = DecodeLineReading(averaged, state);
    if (Decoded(status)) return status;
    status = DecodeStringTables(AveragedToClasses(averaged, state.barColor), state);
    if (status == status::kOk) return status;
    // The width-run decoders have the last word, but a decode whose check did
    // not verify is kept when they find nothing.
    const DecodeState unverified = state;
    const std::uint16_t runs = DecodeRunTables(averaged, state);
    if (Decoded(runs)) return runs;
    if (status == kCheckFailed) {
        state = unverified;
        return kCheckFailed;
    }
    return kNotDecodable;
}

}  // namespace zr::bar
