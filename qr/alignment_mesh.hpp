// A module grid of one projective map per cell between the alignment
// patterns' centres. A single projective map through the finders and one
// alignment pattern bends away from a large symbol whose page is not flat
// or whose lens distorts; from version 7 on the symbol carries alignment
// patterns across its area, and each cell between four of them gets its own
// map through their found centres.
#pragma once

#include <array>
#include <cstddef>

#include "core/geom/perspective.hpp"
#include "core/image_view.hpp"

namespace zr::qr {

class AlignmentMesh {
  public:
    static constexpr std::size_t kMaxCentres = 7;  // alignment coordinates of version 40

    // Finds every alignment pattern of the version near where `grid` (fitted
    // through the finders) puts it, each search moved by what its found
    // neighbours above and to the left moved; the three places under the
    // finders keep the grid's points. False for versions below 7.
    bool Build(const BitImageView &view, const geom::Perspective &grid, int version);

    // Pixel position of a point in module coordinates: through the map of
    // the cell holding it (the outer cells' maps reach on to the symbol's edges).
    geom::PointF Map(geom::PointF module) const;

    // Alignment patterns found where the grid put none within reach (for tests and tuning).
    int Found() const { return found_; }

  private:
    std::size_t count_ = 0;
    std::array<double, kMaxCentres> centres_{};  // module coordinates of the centres, both ways
    std::array<std::array<geom::Perspective, kMaxCentres - 1>, kMaxCentres - 1> cells_{};
    int found_ = 0;
};

}  // namespace zr::qr
