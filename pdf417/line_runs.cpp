#include "pdf417/line_runs.hpp"

#include <algorithm>
#include <array>

namespace zr::pdf417 {

namespace {
constexpr int kMaxStoredWidth = 0xFFFF;
}  // namespace

// Each word's colour changes (each pixel against the one before it, the
// first against the run it continues) end one run each.
LineRunsEnd CollectLineRuns(lines::TableBits &line, int at, bool barDark, int spaceLimit, int maxRuns,
                            std::vector<std::uint16_t> &runs, int &total) {
    LineRunsEnd end;
    bool bar = true;
    int runStart = at;                    // where the unfinished run begins
    std::array<std::uint16_t, 64> batch;  // the runs one word ends
    for (int pixel = at;;) {
        std::uint64_t bits = 0;
        const int count = line.PixelsFrom(pixel, bits);
        if (count == 0) {
            end.bar = bar;
            end.width = pixel - runStart;
            end.kind =
                !bar && end.width > spaceLimit ? LineRunsEnd::Kind::kWideSpace : LineRunsEnd::Kind::kEdge;
            return end;
        }
        const std::uint64_t runDark = bar == barDark ? 1u : 0u;
        const std::uint64_t valid = ~std::uint64_t{0} << (64 - count);
        // Pixel `pixel` in bit 0 from here on: each change found by the
        // lowest set bit, and cleared with it.
        std::uint64_t changes = lines::Reverse64((bits ^ ((bits >> 1) | (runDark << 63))) & valid);
        const int wordStart = runStart;
        int ended = 0;
        bool wideSpace = false;
        // The run ending at the next change; false for a space wider than the limit.
        const auto endRun = [&](bool space) {
            const int offset = __builtin_ctzll(changes);
            changes &= changes - 1;
            const int change = pixel + offset;
            const int width = change - runStart;
            if (space && width > spaceLimit) return false;
            batch[static_cast<std::size_t>(ended++)] =
                static_cast<std::uint16_t>(std::min(width, kMaxStoredWidth));
            runStart = change;
            return true;
        };
        // The colours alternate: after a space the word goes on a bar and a
        // space at a time.
        if (!bar && changes != 0) {
            wideSpace = !endRun(true);
            bar = !wideSpace;
        }
        while (bar && changes != 0) {
            endRun(false);
            bar = false;
            if (changes == 0) break;
            if (!endRun(true)) {
                wideSpace = true;
                break;
            }
            bar = true;
        }
        // Run by run, the run that would pass the cap gives up the line;
        // the word's runs are added together.
        if (static_cast<int>(runs.size()) + ended > maxRuns) {
            end.kind = LineRunsEnd::Kind::kTooManyRuns;
            return end;
        }
        runs.insert(runs.end(), batch.begin(), batch.begin() + ended);
        total += runStart - wordStart;  // the widths of the word's runs follow each other
        pixel += count;
        // A space already wider than the limit ends the line wherever it ends.
        if (wideSpace || (!bar && pixel - runStart > spaceLimit)) return end;
    }
}

}  // namespace zr::pdf417
