// The module grid of a QR Code symbol seen at a slant: a projective map from
// module coordinates (0..size along a row and down a column) to pixels,
// fitted to the corners of the three finders and, from version 2, to the
// alignment pattern nearest the corner without a finder; the module matrix
// sampled through it.
#pragma once

#include <cstdint>
#include <optional>

#include "core/call_frame.hpp"
#include "core/geom/perspective.hpp"
#include "core/image_view.hpp"
#include "qr/alignment_mesh.hpp"
#include "core/regions/regions.hpp"

namespace zr::qr {

// Three finders of one symbol: A at the corner, B along the first row, D
// down the first column.
struct FinderTriple {
    const regions::Region *a = nullptr, *b = nullptr, *d = nullptr;
    geom::PointF ca, cb, cd;  // centres
    double scaleA = 1, scaleB = 1, scaleD = 1;  // each finder's side over its region's
};

// The outer corners of the three finders, each in the order top-left,
// top-right, bottom-right, bottom-left of the symbol's frame.
struct FinderCorners {
    geom::QuadF a, b, d;
};

// The outline points of each finder farthest towards the symbol's four
// diagonal directions; false when a finder has no outline.
bool MeasureFinderCorners(const FinderTriple &triple, FinderCorners &corners);

// The least-squares projective map from module coordinates to pixels of a
// symbol `size` modules wide through the twelve finder corners, and the
// alignment centre (module size - 6.5 both ways) when one is given.
std::optional<geom::Perspective> FitGrid(const FinderCorners &corners, int size,
                                         const std::optional<geom::PointF> &alignment = std::nullopt);

// The centre of the alignment pattern nearest the corner without a finder,
// searched within a few modules of where `grid` puts it; nothing when no
// place there shows its 5 x 5 pattern well enough.
std::optional<geom::PointF> FindAlignment(const BitImageView &view, const geom::Perspective &grid, int size);

// The centre of an alignment pattern searched within a few modules of where
// `grid` puts module point `centre`, that place first moved by `moved` pixels.
std::optional<geom::PointF> FindAlignmentNear(const BitImageView &view, const geom::Perspective &grid,
                                              geom::PointF centre, geom::PointF moved);

// Share (0..1) of the timing modules between the finders, row 6 and column
// 6, that show the alternating pattern through `grid`.
double TimingAgreement(const BitImageView &view, const geom::Perspective &grid, int size);

// The version read from the two version information blocks through `grid`
// (size from 45 modules up): the nearer of the two reads, 0 when neither is
// within the correctable distance.
int ReadVersionBlocks(const BitImageView &view, const geom::Perspective &grid, int size);

// A size x size module matrix as a one-pixel-per-module bi-level picture, so
// that the decoding stages read it as they read any working image (module
// (j, i) is pixel (j, i)). Reused between symbols of the same size.
class SampledGrid {
  public:
    // Samples every module centre through `grid`; false when more than one
    // row's worth of modules falls outside the picture.
    bool Sample(const BitImageView &view, const geom::Perspective &grid, int size);
    // The same through a mesh of cells.
    bool Sample(const BitImageView &view, const AlignmentMesh &mesh, int size);
    int Size() const { return size_; }
    BitImageView View() const { return BitImageView(modules_.image); }

  private:
    template <class MapModule>
    bool SampleThrough(const BitImageView &view, const MapModule &map, int size);

    WorkingImage modules_;
    int size_ = 0;
};

}  // namespace zr::qr
