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


// The whole scan behind ZrScanDM (`details` as for ScanPass): the entry of
// the C interface, and of the C++ interface, which reads the texts by their ECIs.
std::uint16_t Scan(ZrDMScanner *scanner, std::vector<ResultDetails> *details);

// barsColour tells the pass by its scanFlags bit.
constexpr PolarityScheme kPasses{ZR_DM_DARK_ON_LIGHT, ZR_DM_LIGHT_ON_DARK, ZR_DM_DARK_ON_LIGHT, ZR_DM_LIGHT_ON_DARK,
                                 PolarityScheme::Default::kZeroOrAboveBothBits};
static_assert(kPasses.BothPasses() == ZR_DM_BOTH, "the default runs both passes");

// Region limits of the second look: an 8-row symbol at 2 pixels a module
// with a pixel lost to the threshold on either side, and a long rectangle
// turned near 45 degrees, which fills little of its bounding box.
constexpr std::uint16_t kSecondLookMinRegionSide = 14;
constexpr double kSecondLookMinRegionFill = 0.03;

// Whether the region is within the first look's limits: the first look has
// then tried every ECC 200 size on it.
bool FirstLookTriedRegion(const regions::Region &region);

// Writes the decoded symbol's corners, size and text into a result record.
void StoreResult(const DMSymbol &symbol, DMResult &result);
// The symbol's whole bytes and data details as the details of result `index`.
void StoreDetails(const DMSymbol &symbol, int index, std::vector<ResultDetails> &details);

// Labels the dark regions inside `bounds` and stores a record for every
// region that decodes, until the scanner's list is full. Marks the work when
// a region it looked at does not decode. With `keep`, labels with the second
// look's looser limits, looks only at the regions within its own, and leaves
// the whole list and the sides it fitted in *keep for the second look:
// labelling and fitting once serve both (the regions it did not look at
// without their outlines).
// `details`, when given, gets each stored result's ResultDetails at its index.
void ScanPass(ZrImage &image, const SearchCorners &bounds, ZrDMScanner &scanner, ScanWork &work,
              KeptPass *keep = nullptr, std::vector<ResultDetails> *details = nullptr);

}  // namespace zr::dm
