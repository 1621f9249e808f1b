// Test pictures as a camera's JPEG leaves them: compressed at a chosen
// quality and decoded again.
#pragma once

#include "render.hpp"

namespace zr::test {

// The raster after a grey JPEG round trip at `quality` (1 to 100); empty
// for an empty raster or a quality out of range.
Raster JpegRoundTrip(const Raster &r, int quality);

}  // namespace zr::test
