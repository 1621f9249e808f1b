// The DataMatrix second look: what runs after the first look has left the
// picture unread. It labels the regions again with looser limits (smaller
// and thinner regions, so 2-pixel modules of the 8- to 16-row rectangles and
// long turned rectangles are looked at) and tries the rectangular extension
// sizes of ISO/IEC 21471 besides the sizes the first look did not try.
#pragma once

#include <cstdint>

#include "core/call_frame.hpp"
#include "dm/stages.hpp"
#include "zr/ZrDM.h"

namespace zr::dm {

// Region limits of the second look: an 8-row symbol at 2 pixels a module
// with a pixel lost to the threshold on either side, and a long rectangle
// turned near 45 degrees, which fills little of its bounding box.
constexpr std::uint16_t kSecondLookMinRegionSide = 14;
constexpr double kSecondLookMinRegionFill = 0.03;

// Whether the first look's limits let the region through: it has then
// already tried every ECC 200 size on it.
bool FirstLookTriedRegion(const regions::Region &region);

// Stores `candidate` after the scanner's records unless the list is full or
// a stored record has the same text where their corners' boxes overlap.
// True when stored.
bool StoreUnlessKnown(ZrDMScanner &scanner, const DMResult &candidate);

// One pass of the second look over the working image as it stands (as given
// or inverted): every region not inside a stored symbol, under the four
// finder hypotheses, until the list is full.
void SecondLookPass(ZrImage &image, const SearchCorners &bounds, ZrDMScanner &scanner, ScanWork &work);

}  // namespace zr::dm
