// The DataMatrix second look: what runs after the first look has left the
// picture unread. It looks at regions within looser limits (smaller and
// thinner ones, labelled together with the first look's), so that 2-pixel
// modules of the small sizes and long turned rectangles are seen, and tries
// the rectangular extension sizes of ISO/IEC 21471 besides the ECC 200 sizes
// the first look did not try, and under perspective the far corner moved
// and the grid laid through one perspective map fitted to every region's
// border; then, where the local-threshold picture
// differs from the global one, every size on that picture.
#pragma once

#include <cstdint>
#include <vector>

#include "core/call_frame.hpp"
#include "dm/stages.hpp"
#include "zr/ZrDM.h"

namespace zr::dm {

struct ResultDetails;

// One pass of the second look over the regions (and fitted sides) a
// first-look pass kept, in the working image as that pass saw it: every region not inside a stored
// symbol, under the four finder hypotheses, until the list is full. Traces
// the outlines of the kept regions it fits that have none yet.
void SecondLookPass(const BitImageView &view, KeptPass &pass, ZrDMScanner &scanner, ScanWork &work,
                    std::vector<ResultDetails> *details);

// One pass of the second look over a picture of its own (the local-threshold
// one, as given or inverted): labels with the second look's limits and tries
// every size, ECC 200 and extension, on each region not inside a stored
// symbol, until the list is full.
void LocalThresholdPass(ZrImage &image, const SearchCorners &bounds, ZrDMScanner &scanner, ScanWork &work,
                        std::vector<ResultDetails> *details);

}  // namespace zr::dm
