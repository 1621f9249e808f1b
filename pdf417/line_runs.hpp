// The runs of one reading line, taken from the word of colour changes a
// word of pixels at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "core/lines/table_bits.hpp"

namespace zr::pdf417 {

// Where a line's runs stopped.
struct LineRunsEnd {
    enum class Kind : std::uint8_t {
        kWideSpace,    // a space wider than the limit, not taken
        kEdge,         // the walk's end, the run it cuts not taken
        kTooManyRuns,  // the run that would pass the cap
    };
    Kind kind = Kind::kWideSpace;
    bool bar = false;  // kEdge: whether the cut run is a bar
    int width = 0;     // kEdge: the cut run's pixels
};

// The runs of `line` from pixel `at` (the first pixel of a bar) on, bar
// first, appended to `runs` with their widths added to `total`, until a
// space wider than `spaceLimit` pixels, the walk's end, or the run that
// would make `runs` longer than `maxRuns`.
LineRunsEnd CollectLineRuns(lines::TableBits &line, int at, bool barDark, int spaceLimit, int maxRuns,
                            std::vector<std::uint16_t> &runs, int &total);

}  // namespace zr::pdf417
