// What the decoders of one candidate share: the enabled symbologies, the
// reading sense, the bar colour under trial, and the outcome.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/lines/run_scan.hpp"

namespace zr::bar {

// Internal statuses of the line search and decoders; they never reach a caller.
enum : std::uint16_t {
    kSkip = 5001,
    kSkipAngle = 5002,
    kPassDone = 5003,
    kNotDecodable = 5004,
    kDirectionDone = 5005,
    kRejected = 5006,
    kTooSmall = 5007,
    kNoDecoderMatched = 5008,
    kNoMatch = 5013,
    kCheckFailed = 5014,
};

using lines::kBottomToTop;
using lines::kDiagonalDown;
using lines::kDiagonalUp;
using lines::kHorizontal;
using lines::kLeftToRight;
using lines::kRightToLeft;
using lines::kTopToBottom;
using lines::kVertical;

// A decoder's status says the symbol was read: its check verified (0) or not.
constexpr bool Decoded(std::uint16_t status) { return status == 0 || status == kCheckFailed; }

constexpr std::size_t kTextSize = 80;       // decoder text buffer, terminator included
constexpr std::size_t kMaxElements = 1000;  // elements of one line reading

struct DecodeState {
    std::uint32_t symbologies = 0;  // enabled symbology bits
    std::uint8_t direction = 0;  // reading sense: direction code, or the horizontal or vertical bits enabled
    std::uint8_t barColor = 1;   // 1 dark bars, 2 light bars
    std::uint8_t reversed = 0;   // decoded from the reversed line
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
