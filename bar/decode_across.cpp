// Decoding from the projection profile of the whole symbol area: the count
// of bar pixels across the symbol at each position along it, cut at every level.
#include <cmath>
#include <cstdlib>

#include "bar/classes.hpp"
#include "bar/decoder_tables.hpp"
#include "bar/pass_state.hpp"

namespace zr::bar {

std::uint16_t DecodeAcross(PassState &pass) {
    const Candidate &cand = pass.candidate;
    const std::array<Point, 4> &p = cand.outline;
    for (const Point &q : p)
        if (!pass.area.Contains(q)) return kNotDecodable;

    auto span = [](Point a, Point b) { return std::max(std::abs(a.x - b.x), std::abs(a.y - b.y)); };
    const int length = static_cast<int>(std::lround((span(p[1], p[0]) + span(p[3], p[2]) + 1) * 0.5));
    const int height = static_cast<int>(std::lround((span(p[3], p[0]) + span(p[2], p[1]) + 1) * 0.5));
    if (length <= 0 || height <= 0) return kNotDecodable;

    // Light bars are counted as bars too: the profile counts the bar colour.
    const std::uint8_t barColor = pass.decode.barColor;
    const bool barIsDark = barColor == 1;
    const bool vertical = cand.direction == kTopToBottom || cand.direction == kBottomToTop ||
                          cand.direction == (kTopToBottom | kBottomToTop);
    const StepTable &acrossTable = cand.steps[vertical ? kAcrossUp : kAcrossDown];

    std::vector<int> profile(length, 0);
    BitCursor origin(*pass.image);
    origin.MoveTo(p[0]);
    TableWalk along{&cand.steps[kAlong]};
    for (int i = 0; i < length; ++i) {
        BitCursor cursor = origin;
        TableWalk across{&acrossTable};
        int count = 0;
        for (int j = 0; j < height; ++j) {
            if (cursor.Dark() == barIsDark) ++count;
            if (!cursor.StepInside(across.Next(), pass.area)) break;
        }
        profile[i] = count;
        if (!origin.StepInside(along.Next(), pass.area)) {
            profile.resize(i + 1);
            break;
        }
    }

    std::uint16_t status = kNotDecodable;
    Widths widths;
    for (int level = 1; level <= height - 2; ++level) {
        widths.clear();
        int first = 0, last = static_cast<int>(profile.size()) - 1;
        while (first <= last && profile[first] < level) ++first;
        while (last >= first && profile[last] < level) --last;
        bool bar = true;
        int run = 0;
        for (int i = first; i <= last; ++i) {
            const bool isBar = profile[i] >= level;
            if (isBar == bar) {
                ++run;
                continue;
            }
            widths.push_back(static_cast<std::uint16_t>(run));
            if (widths.size() >= 999) break;
            bar = isBar;
            run = 1;
        }
        if (run > 0 && widths.size() < 999) widths.push_back(static_cast<std::uint16_t>(run));
        if (widths.size() < 9) continue;
        // Bars come first in the profile whatever the colour.
        DecodeState trial = pass.decode;
        trial.barColor = 1;
        status = DecodeStringTables(ElementsToClasses(widths, 1), trial);
        if (!Decoded(status)) {
            status = DecodeStringTables(QuarterClasses(widths, 1), trial);
            if (status != 0) continue;
        }
        trial.barColor = barColor;
        pass.decode = trial;
        return status;
    }
    return Decoded(status) ? std::uint16_t{kNotDecodable} : status;
}

}  // namespace zr::bar
