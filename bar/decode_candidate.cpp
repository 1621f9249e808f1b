// Decodes a candidate: line by line across the symbol, then from the
// averaged widths of the lines that failed.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "bar/classes.hpp"
#include "bar/decoder_tables.hpp"
#include "bar/stages.hpp"
#include "core/lines/table_bits.hpp"

namespace zr::bar {

namespace {

constexpr int kLineCount = 50;
constexpr int kLineSpacing = 3;
// Lines stop this many pixels past the outline's far side (P3), so that they
// never read a neighbouring symbol.
constexpr int kOutlineMargin = 3;
constexpr std::size_t kMinElements = 10;
constexpr double kQuietZone = 3.5;  // a ground element this many ground means wide ends the symbol

// Class-string decoding of one line reading, with the Code 39 retry. The
// reading stays split in `classes` for the caller.
DecodeOutcome DecodeLineReading(const Widths &widths, DecodeState &state, ClassWork &classes) {
    classes.Split(widths, state.barColor);
    DecodeOutcome status = DecodeStringTables(classes.Elements(), state);
    if (!Decoded(status) && (state.symbologies & ZR_BAR_CODE39)) {
        const DecodeOutcome retry = Code39Retry(classes, state);
        if (Decoded(retry)) status = retry;
    }
    return status;
}

double ReadingLength(const Widths &widths, double unit) {
    double sum = 0;
    for (const std::uint16_t w : widths) sum += w;
    return sum / unit;
}

// A decode stands unless its symbology is weakly checked and its reading
// lacks a quiet zone.
bool Stands(DecodeOutcome status, const DecodeState &state) {
    return Decoded(status) && (!WeaklyChecked(state.type) || !state.openEnded);
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
    return CollectSymbolLine(picture, steps, lines::AxisWalk(steps[kAlong]), stats, base, barColor, line);
}

bool CollectSymbolLine(const Picture &picture, const StepTables &steps, const lines::AxisWalk &alongAxis,
                       const WidthStats &stats, Point base, std::uint8_t barColor, SymbolLine &line) {
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

    // Before the first bar, a quiet zone as wide as the one that ends the
    // line; the rectangle's edge or another bar closer than that leaves the
    // line open-ended.
    const double groundLimit = kQuietZone * stats.GroundMean(barColor);
    line.openEnded = false;
    {
        BitCursor ground = cursor;
        TableWalk before{&steps[kBack]};
        for (int quiet = 0; quiet <= groundLimit; ++quiet) {
            if (!ground.StepInside(before.Next(), area) || ground.Dark() == barIsDark) {
                line.openEnded = true;
                break;
            }
        }
    }

    // Collect elements up to the quiet zone, run by run: a bar ends at the
    // area's edge or the next ground pixel, a ground element at the next bar
    // pixel unless it is the quiet zone first. Ending at the area's edge
    // before a quiet zone leaves the line open-ended.
    lines::TableBits pixels(picture.image, area, line.first, steps[kAlong], alongAxis);
    // Widths are whole pixels: wider than the limit means wider than its whole part.
    const int groundMax = groundLimit < 1e9 ? static_cast<int>(groundLimit) : 1000000000;
    std::array<std::uint16_t, kMaxElements> widths;
    std::size_t count = 0;
    int lastBar = 0;  // index of the last bar pixel
    bool onBar = true;
    for (int runStart = 0;;) {
        const int change = pixels.NextRunEnd();  // the line starts on a bar pixel
        const int width = change - runStart;
        const bool ends = change >= pixels.Walked() && pixels.Ended();  // no pixel beyond the run
        if (onBar) {
            widths[count++] = static_cast<std::uint16_t>(std::min(width, 0xFFFF));
            lastBar = change - 1;
        } else if (width > groundMax) {
            break;  // the quiet zone
        } else if (ends) {
            line.openEnded = true;  // ground to the area's edge, narrower than a quiet zone
            break;
        } else {
            widths[count++] = static_cast<std::uint16_t>(std::min(width, 0xFFFF));
        }
        if (ends) line.openEnded = true;  // a bar at the area's edge
        if (ends || count >= kMaxElements) break;
        onBar = !onBar;
        runStart = change;
    }
    line.widths.assign(widths.begin(), widths.begin() + static_cast<std::ptrdiff_t>(count));
    if (!line.widths.empty() && line.widths.size() % 2 == 0) line.widths.pop_back();  // ends with a bar
    line.last = pixels.At(lastBar);
    return line.widths.size() >= kMinElements;
}

DecodeOutcome DecodeCandidate(const Picture &picture, const Candidate &cand, const Extent &extent,
                              DecodeState &state, DecodeWork &work) {
    work.ClearReadings();

    // Line by line, starting 6 pixels inside the outline's first corner, up
    // to just past its far side.
    Point base = extent.outline.topLeft;
    const int acrossLimit =
        geom::StepDistance(extent.outline.topLeft, extent.outline.bottomLeft) + kOutlineMargin;
    int acrossSteps = 0;
    TableWalk across{&cand.steps[kAcrossDown]};
    auto moveAcross = [&](int steps) {
        for (int i = 0; i < steps; ++i) base += StepVector(across.Next());
        acrossSteps += steps;
    };
    moveAcross(kLineSpacing);
    moveAcross(kLineSpacing);
    SymbolLine &line = work.line;
    const lines::AxisWalk alongAxis(cand.steps[kAlong]);
    bool openEnded = false;  // a kept reading lacks a quiet zone
    // A weakly checked line reading without both quiet zones waits for a
    // second line that reads the same.
    DecodeState pending;
    DecodeOutcome pendingStatus = DecodeOutcome::NoDecoderMatched;
    for (int i = 0; i < kLineCount && acrossSteps <= acrossLimit && picture.area.Contains(base);
         ++i, moveAcross(kLineSpacing)) {
        if (!CollectSymbolLine(picture, cand.steps, alongAxis, extent.stats, base, state.barColor, line))
            continue;
        state.openEnded = line.openEnded;
        const DecodeOutcome status = DecodeLineReading(line.widths, state, work.classes);
        if (Decoded(status)) {
            state.readingLength = ReadingLength(line.widths, 1);
            if (Stands(status, state)) return status;
            if (Decoded(pendingStatus) && pending.type == state.type &&
                std::strcmp(pending.text, state.text) == 0) {
                state = pending;
                return pendingStatus;
            }
            if (!Decoded(pendingStatus)) {
                pending = state;
                pendingStatus = status;
            }
        }
        if (work.Readings() < DecodeWork::kMaxReadings) openEnded = openEnded || line.openEnded;
        work.KeepReading(line.widths);
    }
    state.openEnded = openEnded;

    // Averaged widths of the lines that failed.
    Widths &averaged = work.averaged;
    if (!AverageReadings(work, averaged)) return DecodeOutcome::NotDecodable;
    state.readingLength = ReadingLength(averaged, 4);  // quarter pixels
    DecodeOutcome status = DecodeLineReading(averaged, state, work.classes);
    if (Stands(status, state)) return status;
    status = DecodeStringTables(work.classes.Averaged(), state);
    if (!Stands(status, state)) status = DecodeOutcome::NoDecoderMatched;
    if (status == DecodeOutcome::Ok) return status;
    // The width-run decoders have the last word, but a decode whose check did
    // not verify is kept when they find nothing.
    const DecodeState unverified = state;
    const DecodeOutcome runs = DecodeRunTables(averaged, state);
    if (Stands(runs, state)) return runs;
    if (status == DecodeOutcome::CheckFailed) {
        state = unverified;
        return DecodeOutcome::CheckFailed;
    }
    return DecodeOutcome::NotDecodable;
}

}  // namespace zr::bar
