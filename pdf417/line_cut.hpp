// Cutting one reading line's runs into the start pattern and one segment of
// eight runs per codeword column.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "pdf417/codeword.hpp"
#include "pdf417/pattern_table.hpp"

namespace zr::pdf417 {

constexpr int kMaxSegments = 90;

struct Segment {
    int first = 0;      // index of its first run
    int count = 0;      // runs in it
    bool good = false;  // eight runs of about one codeword width
    char digits[kElementsPerCodeword] = {};
    bool rounded = false;  // digits hold the rounded module counts
    // With rounded digits: the one section whose pattern they may be (that
    // of their cluster, -1 for none) and the codeword they are there, or
    // kNoCodeword.
    std::int8_t section = -1;
    int value = kNoCodeword;
};
using Segments = std::array<Segment, kMaxSegments + 1>;

// The codeword value of a good segment's rounded modules in a section, or kNoCodeword.
inline int ExactIn(int section, const Segment &s) {
    return s.rounded && s.section == section ? s.value : kNoCodeword;
}

// A line's cluster from nearest patterns (no segment matched exactly): the
// summed distances of its columns, each segment that is not good counted
// as kNotGoodDistance, must stay under kClusterLimitPerColumn a column.
constexpr double kNotGoodDistance = 2.0;
constexpr double kClusterLimitPerColumn = 1.5;

// Whether a line of `columns` segments, `good` of them good, may decide a
// cluster: by exact matches in at least half the columns, or by nearest
// distances under the limit. False only where both surely fail.
bool ClusterPossible(int good, int columns);

class LineCutter {
  public:
    // Cuts `runs` (bar first) into columns + 1 segments, segment 0 being the
    // start pattern; `nominal` is the line's mean codeword width. False when
    // the line cannot be used. Without `stopPattern` the line ends after its
    // last codeword column (a one-module stop bar or a cut part may follow).
    bool Cut(const std::vector<std::uint16_t> &runs, int columns, double nominal, bool stopPattern = true);
    const Segments &Result() const { return buffers_[current_]; }
    // The eight widths of a segment.
    const double *WidthsOf(const Segment &s, double *out) const;

  private:
    bool CutByPosition(double first, double last);
    void Round(Segment &s);
    int Matches(const Segments &segments) const;

    const std::vector<std::uint16_t> *runs_ = nullptr;
    int columns_ = 0;
    int segmentCount_ = 0;
    Segments &Current() { return buffers_[current_]; }

    // The cut being made or kept, and the other positional cut: the two
    // change roles by index rather than by copying.
    std::array<Segments, 2> buffers_{};
    int current_ = 0;
    Segments greedy_{};
    double widths_[kElementsPerCodeword] = {};
};

// The section whose nearest patterns lie nearest the cut's `columns`
// segments in all (the limit above), equal sums preferring sections 2,
// then 1; -1 when no section's sum stays under the limit.
int NearestSection(const LineCutter &cutter, int columns);

}  // namespace zr::pdf417
