// The reader's pipeline for one labelled region: locate the corners under a
// finder hypothesis, then walk the sizes until one decodes.
#pragma once

#include <cstdint>
#include <vector>

#include "core/edges/edges.hpp"
#include "core/image_view.hpp"
#include "dm/symbol.hpp"

namespace zr::dm {

// The outline extents of one region (absolute pixel coordinates), as the
// region labelling leaves them: per row of top .. bottom the outline's
// smallest and largest x, per column of left .. right its smallest and
// largest y.
struct RegionOutline {
    std::uint32_t left = 0, top = 0, right = 0, bottom = 0;
    const std::uint32_t *rowLeft = nullptr;
    const std::uint32_t *rowRight = nullptr;
    const std::uint32_t *colTop = nullptr;
    const std::uint32_t *colBottom = nullptr;
};

// Finder hypotheses: which outline sides are the solid finder.
enum Hypothesis : int { kLeftTop = 0, kLeftBottom = 1, kRightTop = 2, kRightBottom = 3 };
constexpr int kHypothesisCount = 4;

// Work areas of one scan, allocated once and reused for every region,
// hypothesis and size.
struct ScanWork {
    DMSymbol symbol;
    edges::FitWork fit;
    std::vector<std::uint8_t> matrix;     // mapping matrix of the size being decoded
    std::vector<std::int32_t> placement;  // placement table of that size
    ScanWork();
};

// Fits the four outline sides and builds the corners under hypothesis h:
// fills hEdge, vEdge, the finder corner, orientation and corners. 0, or
// kFailed when the chosen sides do not form a corner.
std::uint16_t LocateSymbol(const RegionOutline &region, int hypothesis, DMSymbol &symbol,
                           edges::FitWork &fit);

// Moves every corner coordinate into the picture.
std::uint16_t ClampCorners(DMSymbol &symbol, int width, int height);

// Walks the size table from its first entry: module-size gate, border test,
// then sampling, correction and data decoding. 0 for the first size that
// decodes (rows, columns, codewords and text set), else kFailed.
std::uint16_t TrySizes(const BitImageView &image, ScanWork &work);

}  // namespace zr::dm
