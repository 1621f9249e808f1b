// What the decoders of one candidate share: the enabled symbologies, the
// reading sense, the bar colour under trial, and the outcome.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/lines/run_scan.hpp"
#include "zr/ZrBar.h"

namespace zr::bar {

// What a decoder, a decoder table or a decoding strategy made of its input.
// These outcomes never leave the reader: a scan reports only the public
// statuses of its result list (see ScanPass).
enum class DecodeOutcome : std::uint8_t {
    Ok,                // decoded; its check character(s), if any, verified
    CheckFailed,       // decoded, but the check character(s) did not verify
    NoMatch,           // a decoder does not recognise the input
    NoDecoderMatched,  // no decoder table row read the input
    NotDecodable,      // no decoding strategy read the candidate
    SymbologyOff,      // a decoder was asked for a symbology that is not enabled
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

// The outcome says the symbol was read, whether its check verified or not.
constexpr bool Decoded(DecodeOutcome outcome) {
    return outcome == DecodeOutcome::Ok || outcome == DecodeOutcome::CheckFailed;
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
    // The reading lacks a quiet zone at one end (the search rectangle cut it
    // short, or another bar stands too close before it): symbologies without
    // a distinctive start and stop are not read from it.
    bool openEnded = false;
    // Pixels from the first to the last bar of the reading that decoded
    // (set by the decoding strategies, not by the decoders).
    double readingLength = 0;
    char text[kTextSize] = {};
};

// Symbologies whose decoders a random bar pattern passes now and then: no
// check character, an optional one, or a check only in the parities. Their
// reads need the confirmation of the decoding strategies and of the outline.
constexpr std::uint32_t kWeaklyChecked = ZR_BAR_INDUSTRIAL_2OF5 | ZR_BAR_INVERTED_2OF5 |
                                         ZR_BAR_INTERLEAVED_2OF5 | ZR_BAR_IATA_2OF5 | ZR_BAR_MATRIX_2OF5 |
                                         ZR_BAR_DATALOGIC_2OF5 | ZR_BAR_BCD_MATRIX | ZR_BAR_CODABAR |
                                         ZR_BAR_EAN8 | ZR_BAR_UPCE | ZR_BAR_ADDON5 | ZR_BAR_ADDON2;
// The main EAN/UPC symbols, and the add-ons read only beside one of them.
constexpr std::uint32_t kMainEanUpc = ZR_BAR_EAN13 | ZR_BAR_UPCA | ZR_BAR_EAN8 | ZR_BAR_UPCE;
constexpr std::uint32_t kAddOns = ZR_BAR_ADDON2 | ZR_BAR_ADDON5;

constexpr bool WeaklyChecked(std::uint32_t type) {
    return (type & kWeaklyChecked) != 0;
}

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
