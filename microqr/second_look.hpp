// The Micro QR second look: when the first look left the picture unread,
// the same search once more on the picture made bi-level by local
// thresholds, in the polarities the scan flags ask for. Its results come
// after the first look's, one per symbol, within maxResults.
#pragma once

#include <cstdint>

#include "core/polarity_passes.hpp"
#include "zr/ZrMicroQR.h"

namespace zr::microqr {

// What became of one result the second look offered.
enum class SecondLookStore : std::uint8_t {
    kAdded,      // stored after the results already in the list
    kDuplicate,  // a stored result has the same text at an overlapping place
    kListFull,   // no room left: the list holds maxResults records
};

// True when two results are one symbol seen twice: the same text, and
// corner centroids closer than the larger symbol's longest side.
bool SameSymbol(const MicroQRResult &p, const MicroQRResult &q);

// Adds `found` after the scanner's stored results unless one of them is
// the same symbol or the list is full.
SecondLookStore AddSecondLookResult(ZrMicroQRScanner &scanner, const MicroQRResult &found);

// Runs the second look when the scan flags want it and the first look
// stored nothing; returns the scan's status: the first look's, or
// ZR_ERR_LIST_FULL when a symbol the second look read found the list full.
std::uint16_t RunSecondLook(ZrMicroQRScanner &scanner, const PolarityScheme &passes,
                            std::uint16_t firstLookStatus);

}  // namespace zr::microqr
