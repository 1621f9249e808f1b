// What the decoders of one candidate share: the enabled symbologies, the
// reading sense, the bar colour under trial, and the outcome.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/lines/run_scan.hpp"
#include "core/status.hpp"
#include "zr/ZrBar.h"

namespace zr::bar {

// Internal statuses of the line search and decoders; they never reach a
// caller. 5009, 5011 and 5012 are the run collection's (lines::LineStatus).
enum BarStatus : std::uint16_t {
    kSymbologyOff = 11,        // a decoder was asked for a symbology that is not enabled
    kSkip = 5001,              // the line search rejected a probe
    kSkipAngle = 5002,         // no reading angle could be fitted
    kPassDone = 5003,          // every line of the pass has been searched
    kNotDecodable = 5004,      // no decoding strategy read the candidate
    kDirectionDone = 5005,     // every line of one family has been searched
    kRejected = 5006,          // a walk found no usable bar pattern
    kTooSmall = 5007,          // the outline is too small for a symbol
    kNoDecoderMatched = 5008,  // no decoder table row read the input
    kNoMatch = 5013,           // a checker or decoder does not recognise the input
    kCheckFailed = 5014,       // decoded, but the check character(s) did not verify
};

using lines::kBottomToTop;
using lines::kDiagonalDown;
using lines::kDiagonalUp;
using lines::kHorizontal;
using lines::kLeftToRight;
using lines::kRightToLeft;
using lines::kTopToBottom;
using lines::kVertical;
// Every direction bit set: the diagonals are searched too.
constexpr std::uint8_t kAllDirections = kHorizontal | kVertical;

// Bar colours, as stored in results (`barColor`) and as bits of the
// `barColors` option and of a candidate's possible colours.
constexpr std::uint8_t kDarkBars = ZR_BAR_DARK_BARS;
constexpr std::uint8_t kLightBars = ZR_BAR_LIGHT_BARS;
constexpr std::uint8_t kBothColours = kDarkBars | kLightBars;

// A decoder's status says the symbol was read: its check verified (0) or not.
constexpr bool Decoded(std::uint16_t code) {
    return code == status::kOk || code == kCheckFailed;
}

constexpr std::size_t kTextSize = 80;       // decoder text buffer, terminator included
constexpr std::size_t kMaxElements = 1000;  // elements of one line reading

struct DecodeState {
    std::uint32_t symbologies = 0;  // enabled symbology bits
    std::uint8_t direction = 0;  // reading sense: direction code, or the horizontal or vertical bits enabled
    std::uint8_t barColor = kDarkBars;  // kDarkBars or kLightBars
    std::uint8_t reversed = 0;          // decoded from the reversed line
    std::uint8_t checksumOk = 0;
    std::uint32_t type = 0;  // symbology bit of the decoder that succeeded
    char text[kTextSize] = {};
};

// Element widths along one line: pixels, or quarter pixels after averaging.
// Element 0 is the first bar.
using Widths = std::vector<std::uint16_t>;

inline bool AllowsForward(std::uint8_t direction) {
    return direction == kDiagonalUp || direction == kDiagonalDown ||
           (direction & (kLeftToRight | kTopToBottom));
}
inline bool AllowsReverse(std::uint8_t direction) {
    return direction == kDiagonalUp || direction == kDiagonalDown ||
           (direction & (kRightToLeft | kBottomToTop));
}

}  // namespace zr::bar
