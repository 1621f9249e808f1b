// One search of the working image for DataMatrix symbols.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/call_frame.hpp"
#include "core/polarity_passes.hpp"
#include "dm/stages.hpp"
#include "zr/ZrDM.h"

namespace zr::dm {

// Region limits of the search: finders at least 33 pixels each way, fill of
// the bounding box between a tenth and 0.85.
constexpr std::uint16_t kMinRegionSide = 33;
constexpr double kMinRegionFill = 0.1;
constexpr double kMaxRegionFill = 0.85;

// What a result's C record leaves out: all its decoded bytes and their details.
struct ResultDetails {
    std::string bytes;
    DataDetails data;
};

// Labels the dark regions inside `bounds` and stores a record for every
// region that decodes, until the scanner's list is full; `details`, when
// given, gets each stored result's ResultDetails at its index.
void ScanPass(ZrImage &image, const SearchCorners &bounds, ZrDMScanner &scanner, ScanWork &work,
              std::vector<ResultDetails> *details = nullptr);

// The whole scan behind ZrScanDM (`details` as for ScanPass): the entry of
// the C interface, and of the C++ interface, which reads the texts by their ECIs.
std::uint16_t Scan(ZrDMScanner *scanner, std::vector<ResultDetails> *details);

// barsColour tells the pass by its scanFlags bit.
constexpr PolarityScheme kPasses{ZR_DM_DARK_ON_LIGHT, ZR_DM_LIGHT_ON_DARK, ZR_DM_DARK_ON_LIGHT, ZR_DM_LIGHT_ON_DARK,
                                 PolarityScheme::Default::kZeroOrAboveBothBits};
static_assert(kPasses.BothPasses() == ZR_DM_BOTH, "the default runs both passes");

}  // namespace zr::dm
