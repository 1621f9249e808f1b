// The Micro QR second look: when the first look left the picture unread,
// the same search once more on the picture made bi-level by local
// thresholds, in the polarities the scan flags ask for. Its results join
// the list through core/second_look.hpp: after the first look's, one per
// symbol, within maxResults.
#pragma once

#include <cstdint>
#include <vector>

#include "core/polarity_passes.hpp"
#include "zr/ZrMicroQR.h"

namespace zr::microqr {

// Runs the second look when the scan flags want it and the first look
// stored nothing; returns the scan's status: the first look's, or
// ZR_ERR_LIST_FULL when a symbol the second look read found the list full.
// `storedGrey` may hold the picture's grey levels from the first look's
// preparation (see DibToBiLevel).
std::uint16_t RunSecondLook(ZrMicroQRScanner &scanner, const PolarityScheme &passes,
                            std::uint16_t firstLookStatus, const std::vector<std::uint8_t> &storedGrey = {});

}  // namespace zr::microqr
