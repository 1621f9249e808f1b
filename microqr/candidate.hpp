// The Micro QR reader's working records and the stages that hand them on:
// finder candidate -> corners and rotation -> format and grid -> module map
// and codewords -> corrected codewords -> decoded bytes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/edges/edges.hpp"
#include "core/geom/geom.hpp"
#include "core/geom/perspective.hpp"
#include "core/image_view.hpp"
#include "core/lines/run_scan.hpp"
#include "core/regions/regions.hpp"
#include "microqr/symbol_tables.hpp"
#include "qr/qr_status.hpp"
#include "qr/segments.hpp"
#include "zr/ZrMicroQR.h"

namespace zr::microqr {

// Statuses of one attempt; the last attempt's may end a scan (the public
// names are in ZrMicroQR.h).
constexpr std::uint16_t kNoCorners = ZR_MICROQR_NO_CORNERS;
constexpr std::uint16_t kModeNotDecoded = ZR_MICROQR_MODE_NOT_DECODED;
constexpr std::uint16_t kCorrectionFailed = ZR_MICROQR_CORRECTION_FAILED;
constexpr std::uint16_t kDataEnded = ZR_MICROQR_DATA_ENDED;
constexpr std::uint16_t kNoFormat = ZR_MICROQR_NO_FORMAT;
static_assert(kCorrectionFailed == qr::kCorrectionFailed && kDataEnded == qr::kDataEnded,
              "the QR family's decoders report the same codes");
constexpr std::uint8_t kRatioFailed = 255;  // finder run profile out of its bands

// Codewords of one symbol: data codewords first, then error correction. A
// 4-bit last data codeword (M1, M3) holds its bits in the high nibble.
using Codewords = std::array<std::uint8_t, kMaxCodewords>;

// Module map [column][row]: -1 for function modules, otherwise
// codeword number (from 1) * 10 + bit number.
constexpr std::int32_t kFunctionModule = -1;
struct ModuleMap {
    int size = 0;
    std::array<std::int32_t, kMaxSymbolSize * kMaxSymbolSize> codes{};

    std::int32_t &At(int column, int row) { return codes[static_cast<std::size_t>(column * size + row)]; }
    std::int32_t At(int column, int row) const {
        return codes[static_cast<std::size_t>(column * size + row)];
    }
};

// Modules the finder spans along each side.
constexpr double kFinderModules = 7.0;
// A symbol seen at a slant is sampled through the perspective that takes the
// unit square to the finder's corners: module coordinates are divided by the
// finder's side first, so that the finder's corners map exactly onto it.
inline geom::PointF WarpModule(const geom::Perspective &warp, double column, double row) {
    return warp.Map({column / kFinderModules, row / kFinderModules});
}

// Working record of one finder candidate, reused for each rotation.
struct MicroQRCandidate {
    geom::QuadF finder;       // F0 left/top, F1 right/top, F2 right/bottom, F3 left/bottom (image frame)
    bool outerEdges = false;  // finder corners on the pixels' outer edges, not on the outline pixels
    bool projective = false;  // grid through `warp` (from the finder's corners), not u and v
    geom::Perspective warp;
    geom::QuadF corners;  // 0 at the finder, 1 end of the first row, 2 opposite, 3 end of the first column
    std::uint16_t rows = 0, columns = 0;
    qr::DecodedText decoded;
    geom::PointF u, v;  // module steps along a row and down a column
    std::uint8_t version = 0;
    std::uint8_t level = 0;
    std::uint8_t mask = 0;
    int dataCodewords = 0, ecCodewords = 0;
    std::uint16_t confidence = 0;
};

// ---- Search (search.cpp) ----
// The result array of one scan and the scanner's count of stored records,
// which stays right whatever ends the scan.
struct ResultList {
    MicroQRResult *records;
    int capacity;
    std::uint8_t &count;

    bool Full() const { return count >= capacity; }
    // Copies a decoded candidate: rounded corners, version, confidence, bytes.
    void Store(const MicroQRCandidate &candidate);
};
// Tries every finder candidate among the regions alone in its four
// rotations and stores each decoded symbol. Returns the status of the last
// attempt (0 when there was none), or 10 as soon as memory runs out.
std::uint16_t SearchMicroQRCandidates(const ZrImage &image, const regions::RegionList &regions,
                                      ResultList &results);

// ---- Finder (finder.cpp) ----
// 0 when all five runs of a finder profile lie inside their bands, else kRatioFailed.
std::uint8_t CheckFinderRatioStrict(const lines::RunScan &scan);
// Fits the four sides of the region's outline and sets the candidate's finder
// corners; kNoCorners when two sides do not meet, 10 when a fit's work space
// cannot be had. The corners are those of
// the outline's pixel coordinates, or with `outerEdges` those of the finder's
// outer pixel edges, which a turned finder needs. `work` is scratch space.
std::uint16_t LocateFinderCorners(const regions::Region &region, MicroQRCandidate &candidate,
                                  edges::FitWork &work, bool outerEdges = false);

// The corners of a finder turned well away from the axes as the outline's
// extreme points (on the outer pixel edges); false, nothing changed, for a
// finder with a side along a row or column of its bounding box.
bool DiamondFinderCorners(const regions::Region &region, MicroQRCandidate &candidate);
// The corners of a finder lying along the axes from the median extent of each
// side (on the outer pixel edges); false, nothing changed, for a turned
// finder. `scratch` is work space.
bool BoxFinderCorners(const regions::Region &region, MicroQRCandidate &candidate,
                      std::vector<std::int32_t> &scratch);
// How far the threshold moved the finder's dark edges outward (negative:
// inward), in pixels, from its row and column profiles; 0 when neither
// profile passes. `scan` is scratch space with its run buffer set up.
double MeasureFinderBloat(const BitImageView &view, const regions::Region &region, lines::RunScan &scan);
// Moves every finder corner inward along both sides by `bloat` pixels.
void ShrinkFinder(MicroQRCandidate &candidate, double bloat);

// ---- Rotation, format and grid (format.cpp) ----
// Where a rotation puts the symbol: its corner at the finder and the steps
// of one module along its first row (columns) and down its first column (rows).
struct RotationFrame {
    geom::PointF origin, columnStep, rowStep;
    const geom::Perspective *warp = nullptr;  // a projective candidate's map for this rotation

    geom::PointF At(double column, double row) const {
        return warp != nullptr ? WarpModule(*warp, column, row)
                               : origin + column * columnStep + row * rowStep;
    }
};
constexpr int kRotationCount = 4;
// Sets the candidate's steps (a projective candidate's map) from its finder
// corners and returns the frame of rotation 1..4.
RotationFrame FrameOf(MicroQRCandidate &candidate, int rotation);
// The nearest valid word within 3 bits (the earlier one on a tie).
std::optional<std::uint16_t> MatchFormatWord(std::uint16_t bits);
// 0 with version, level and mask set; kNoCorners or kNoFormat.
std::uint16_t ReadMicroFormat(const BitImageView &image, MicroQRCandidate &candidate, int rotation);
// Symbol corners (clamped into the picture) and module steps from them.
std::uint16_t SetMicroGrid(const BitImageView &image, MicroQRCandidate &candidate, int rotation);
// Turns and scales the grid's step along each axis a little until row 0 and
// column 0 (finder edge, separator, timing pattern) read best (timing.cpp);
// corners 1 to 3 follow the new steps (clamped into the picture).
void RefineGridByTiming(const BitImageView &image, MicroQRCandidate &candidate);
// Centre of a module through the grid that SetMicroGrid left.
inline geom::PointF ModuleCentre(const MicroQRCandidate &candidate, int column, int row) {
    if (candidate.projective) return WarpModule(candidate.warp, column + 0.5, row + 0.5);
    return candidate.corners.topLeft + (column + 0.5) * candidate.u + (row + 0.5) * candidate.v;
}

// ---- Placement (placement.cpp) ----
void MarkMicroFunctionModules(ModuleMap &map, int size);
// Clears the map, marks the function modules and numbers the data modules.
void PlaceMicroCodewordBits(ModuleMap &map, int size, int dataBits);
bool MicroMaskBit(int mask, int column, int row);

// ---- Data (segments.cpp) ----
// Decodes the first dataBits bits of the codewords into `out`: 0, kDataEnded
// (a field runs past the data bits), kNoCorners (version not 1..4) or
// kModeNotDecoded.
std::uint16_t DecodeMicroSegments(const Codewords &codewords, int dataBits, int version,
                                  qr::DecodedText &out);

// ---- Sampling (sample.cpp) and correction (decode_symbol.cpp) ----
// Reads every data module of the map through the candidate's grid, unmasks
// it and sets its codeword bit; kNoFormat when a module centre lies outside.
std::uint16_t SampleMicroCodewords(const BitImageView &image, const MicroQRCandidate &candidate,
                                   const ModuleMap &map, Codewords &codewords);
// Decodes the rotation that SetMicroGrid prepared into candidate.decoded:
// 0, kNoFormat, kCorrectionFailed, kDataEnded or kModeNotDecoded.
std::uint16_t DecodeMicroQRSymbol(const BitImageView &image, MicroQRCandidate &candidate);

}  // namespace zr::microqr
