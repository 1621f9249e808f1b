// Edges of a grey-level profile (the levels met along one scan line) with
// sub-pixel positions, as a laser scanner's edge detector finds them: each
// run of the first difference in one sense (a slope) whose total change
// reaches a contrast threshold is one edge, placed at the centroid of the
// differences within one sample of its peak (exact for a sharp edge sampled
// by area, close for a blurred one, and little pulled by a long tail of the
// slope such as a lighting gradient leaves). The threshold
// follows the local range of levels, so that faint print next to strong
// print and lighting gradients keep their edges while noise in flat ground
// does not make any. Consecutive edges of one sense (a weak slope between
// them fell below the threshold) merge into one, placed at the mean of their
// positions weighted by their changes; edges therefore alternate.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace zr::edges {

struct GreyEdge {
    double position = 0;  // samples from the profile's first sample (sample i lies at i)
    int change = 0;       // total change of level across the edge: > 0 dark to light
};

// A stretch of a profile, in sample positions: from..to, both ends included.
struct SkippedStretch {
    double from = 0, to = 0;
};

struct GreyEdgeSettings {
    int minContrast = 10;              // smallest change of an edge, in grey levels
    double rangeShare = 0.14;          // and at least this share of the local range
    static constexpr int kBlock = 16;  // samples per block of the local range
    static constexpr int kReach = 2;   // blocks either side that the local range spans
};

// Finds the edges of profiles one after another, reusing its buffers: no
// allocation once the longest profile has been seen.
class GreyEdgeFinder {
  public:
    explicit GreyEdgeFinder(GreyEdgeSettings settings = {});

    // Edges of the n levels in order of position; valid until the next call.
    const std::vector<GreyEdge> &Find(const std::uint8_t *profile, int n);
    // The edges of the profile outside the given stretches (sorted by their
    // start; they may overlap): each piece between them is searched on its own,
    // its edges placed on the whole profile. An edge of the sense of the one
    // before the stretch is left out, so that edges still alternate.
    const std::vector<GreyEdge> &FindOutside(const std::uint8_t *profile, int n,
                                             const std::vector<SkippedStretch> &skipped);
    // The smallest change of an edge from now on, when above the settings'
    // (the picture's noise, see NoiseFloor).
    void SetNoiseFloor(int floor) { noiseFloor_ = floor; }

  private:
    void BlockExtremes(const std::uint8_t *profile, int n);
    int Threshold(int block);
    void Emit(double position, int change);

    GreyEdgeSettings settings_;
    int noiseFloor_ = 0;
    static constexpr int kUnknown = -1;
    std::vector<int> blockMin_, blockMax_, threshold_;  // per block
    // The share of the local range that an edge needs, by range: rangeShare
    // times the range rounded up, worked out once for every range of levels.
    std::array<int, 256> relativeThreshold_{};
    std::vector<GreyEdge> edges_;
    std::vector<GreyEdge> joined_;  // the pieces' edges of FindOutside
};

// The change an edge needs to stand out of the picture's noise: a multiple
// of the mean level difference between neighbouring pixels in the picture's
// quietest blocks (the 5th percentile over blocks of every eighth row), so that
// a picture of noise yields few edges, whatever its amplitude, while the
// flat ground around a symbol keeps the floor low for the symbol's edges.
int NoiseFloor(const std::uint8_t *levels, int width, int height);

}  // namespace zr::edges
