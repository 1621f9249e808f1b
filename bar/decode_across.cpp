// Decoding from the projection profile of the whole symbol area: the count
// of bar pixels across the symbol at each position along it, cut at every level.
#include <cmath>

#include "bar/classes.hpp"
#include "bar/decoder_tables.hpp"
#include "bar/stages.hpp"

namespace zr::bar {

namespace {

constexpr std::size_t kMaxProfileElements = 999;
constexpr std::size_t kMinProfileElements = 9;

// Bar pixels across the symbol at each position along it, from P0.
// `openEnded` tells whether the rectangle's edge lies at either end.
void Profile(const Picture &picture, const Candidate &cand, const QuadI &outline, int length, int height,
             bool barIsDark, std::vector<int> &profile, bool &openEnded) {
    // P0 lies on the a + 90 side of the symbol in every orientation: the
    // symbol lies across from it towards P3, along a - 90.
    const StepTable &acrossTable = cand.steps[kAcrossDown];
    profile.assign(static_cast<std::size_t>(length), 0);
    BitCursor origin(picture.image);
    origin.MoveTo(outline.topLeft);
    BitCursor before = origin;
    TableWalk back{&cand.steps[kBack]};
    openEnded = !before.StepInside(back.Next(), picture.area);
    TableWalk along{&cand.steps[kAlong]};
    for (std::size_t i = 0; i < profile.size(); ++i) {
        BitCursor cursor = origin;
        TableWalk across{&acrossTable};
        int count = 0;
        for (int j = 0; j < height; ++j) {
            if (cursor.Dark() == barIsDark) ++count;
            if (!cursor.StepInside(across.Next(), picture.area)) break;
        }
        profile[i] = count;
        if (!origin.StepInside(along.Next(), picture.area)) {
            profile.resize(i + 1);
            openEnded = true;
            break;
        }
    }
}

// Element widths of the profile cut at `level`: runs of positions at or
// above it (bars) and below it (spaces), without leading and trailing spaces.
void CutProfile(const std::vector<int> &profile, int level, Widths &widths) {
    widths.clear();
    std::size_t first = 0, end = profile.size();
    while (first < end && profile[first] < level) ++first;
    while (end > first && profile[end - 1] < level) --end;
    bool bar = true;
    int run = 0;
    for (std::size_t i = first; i < end; ++i) {
        const bool isBar = profile[i] >= level;
        if (isBar == bar) {
            ++run;
            continue;
        }
        widths.push_back(static_cast<std::uint16_t>(run));
        if (widths.size() >= kMaxProfileElements) break;
        bar = isBar;
        run = 1;
    }
    if (run > 0 && widths.size() < kMaxProfileElements) widths.push_back(static_cast<std::uint16_t>(run));
}

}  // namespace

DecodeOutcome DecodeAcross(const Picture &picture, const Candidate &cand, const QuadI &outline,
                           DecodeState &state, DecodeWork &work) {
    for (int i = 0; i < QuadI::kCorners; ++i)
        if (!picture.area.Contains(outline[i])) return DecodeOutcome::NotDecodable;

    using geom::StepDistance;
    const int length =
        static_cast<int>(std::lround((StepDistance(outline.topRight, outline.topLeft) +
                                      StepDistance(outline.bottomLeft, outline.bottomRight) + 1) *
                                     0.5));
    const int height =
        static_cast<int>(std::lround((StepDistance(outline.bottomLeft, outline.topLeft) +
                                      StepDistance(outline.bottomRight, outline.topRight) + 1) *
                                     0.5));
    if (length <= 0 || height <= 0) return DecodeOutcome::NotDecodable;

    // The profile counts pixels of the bar colour, so its bars come first
    // whatever the colour: the decoders see dark bars.
    const std::uint8_t barColor = state.barColor;
    bool openEnded = false;
    std::vector<int> &profile = work.profile;
    Profile(picture, cand, outline, length, height, barColor == kDarkBars, profile, openEnded);
    state.openEnded = openEnded;
    DecodeOutcome status = DecodeOutcome::NotDecodable;
    Widths &widths = work.levelWidths;
    ClassWork &classes = work.classes;
    for (int level = 1; level <= height - 2; ++level) {
        CutProfile(profile, level, widths);
        if (widths.size() < kMinProfileElements) continue;
        DecodeState trial = state;
        trial.barColor = kDarkBars;
        classes.Split(widths, kDarkBars);
        status = DecodeStringTables(classes.Elements(), trial);
        if (!Decoded(status)) {
            status = DecodeStringTables(classes.Quarter(), trial);
            if (status != DecodeOutcome::Ok) continue;
        }
        // A weakly checked symbology is not read from a profile the
        // rectangle's edge cuts.
        if (openEnded && WeaklyChecked(trial.type)) continue;
        trial.barColor = barColor;
        trial.readingLength = 0;
        for (const std::uint16_t w : widths) trial.readingLength += w;
        state = trial;
        return status;
    }
    return Decoded(status) ? DecodeOutcome::NotDecodable : status;
}

}  // namespace zr::bar
