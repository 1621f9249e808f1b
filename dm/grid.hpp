// The module grid of a located symbol: corner module centres, border tests of
// the finder and timing pattern, sampling of the data regions, and the
// refinement of the boundaries between regions.
#pragma once

#include <cstdint>

#include "core/geom/geom.hpp"
#include "core/image_view.hpp"
#include "core/lines/run_scan.hpp"
#include "dm/size_table.hpp"
#include "dm/symbol.hpp"

namespace zr::dm {

using geom::PointF;
using geom::QuadF;
using Steps = lines::StepTable;

// True when the point rounds half up to a pixel inside the picture with
// half a pixel to spare: then so does every point interpolated between such
// points, whose rounding errors lie far within that half pixel. False for a
// point with a coordinate that is not a number.
inline bool RoundsInside(const BitImageView &image, PointF p) {
    return p.x >= 0 && p.y >= 0 && p.x <= image.Width() - 1 && p.y <= image.Height() - 1;
}

// Centres Q0..Q3 of the four corner modules of the quadrilateral P0..P3 that
// spans `columns` modules along P0-P1 and `rows` along P0-P3.
QuadF ModuleCentres(const QuadF &p, int columns, int rows);

// The count positions from + k (to - from) / (count - 1): how many are dark
// (outside the picture counts as light).
int CountDarkAlong(const BitImageView &image, PointF from, PointF to, int count);
// The same positions, skipping those outside the picture: how many are dark
// at even k and light at odd k.
int CountAlternatingAlong(const BitImageView &image, PointF from, PointF to, int count);

// Finder on the left and bottom, timing on the top and right, more than 80 %
// of the 2 (columns + rows) samples agreeing: true, else false. With
// `missed`, a border that passes adds the samples that did not agree.
bool CheckRegionBorder(const BitImageView &image, const QuadF &p, int columns, int rows,
                       int *missed = nullptr);
// Each quarter (each ninth for 6 x 6) of an n x n symbol passes the test of
// its regions (`missed` as above, summed over them).
bool CheckRegions2x2(const BitImageView &image, const QuadF &p, int n, int *missed = nullptr);
bool CheckRegions4x4(const BitImageView &image, const QuadF &p, int n, int *missed = nullptr);
bool CheckRegions6x6(const BitImageView &image, const QuadF &p, int n, int *missed = nullptr);

// Bilinear point of the quadrilateral at column fraction u and row fraction v.
PointF QuadPoint(const QuadF &p, double u, double v);

// Reads the data modules (rows 1 .. rows - 2, columns 1 .. columns - 2) of the
// region whose corner module centres are q, writing row r of them at
// out + r * stride. False when fewer than a seventh are dark or light.
bool SampleRegion(const BitImageView &image, const QuadF &q, int columns, int rows, std::uint8_t *out,
                  int stride);

// Direction of the segment in degrees, counter-clockwise on screen, [0, 360).
double LineAngle(PointF from, PointF to);
// Mean of two directions along the shorter arc between them.
double MeanAngle(double a, double b);
// 200 direction codes of a digital line at `angle` degrees.
void StepPattern(double angle, Steps &out);
// Colour changes between consecutive pixels of the stepped path from `from`
// over trunc(|to - from| + 0.5) pixels.
int CountTransitions(const BitImageView &image, const Steps &pathSteps, PointF from, PointF to);
// Moves the segment a-b sideways (moveSteps) by up to `reach` steps either
// way onto the last pixel line of a dotted timing side before a solid finder
// side, where the transitions along it (pathSteps) drop most.
void RefineBoundaryLine(const BitImageView &image, PointF &a, PointF &b, const Steps &pathSteps,
                        const Steps &moveSteps, int reach);

// Border test of the size for the located corners: true when it passes,
// and then, with `missed`, the border samples that did not agree added to it.
bool CheckSizeBorder(const BitImageView &image, const QuadF &p, const DMSize &size, int *missed = nullptr);
// Samples the size's mapping matrix (mappingRows x mappingColumns) from the
// located corners, with the boundaries between regions refined or on the
// plain lattice; false when a region's sampling fails.
bool SampleMappingMatrix(const BitImageView &image, const QuadF &p, const DMSize &size, std::uint8_t *matrix,
                         bool refine = true);

}  // namespace zr::dm
