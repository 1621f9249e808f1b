// One search of the working image for DataMatrix symbols.
#pragma once

#include <cstdint>

#include "core/call_frame.hpp"
#include "dm/stages.hpp"
#include "zr/ZrDM.h"

namespace zr::dm {

// Region limits of the search: finders at least 33 pixels each way, fill of
// the bounding box between a tenth and 0.85.
constexpr std::uint16_t kMinRegionSide = 33;
constexpr double kMinRegionFill = 0.1;
constexpr double kMaxRegionFill = 0.85;

// Writes the decoded symbol's corners, size and text into a result record.
void StoreResult(const DMSymbol &symbol, DMResult &result);

// Labels the dark regions inside `bounds` and stores a record for every
// region that decodes, until the scanner's list is full. Marks the work when
// a region it looked at does not decode.
void ScanPass(ZrImage &image, const SearchCorners &bounds, ZrDMScanner &scanner, ScanWork &work);

}  // namespace zr::dm
