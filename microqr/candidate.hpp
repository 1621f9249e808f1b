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
#include "microqr/status.hpp"
#include "microqr/symbol_tables.hpp"
#include "qr/segments.hpp"
#include "zr/ZrMicroQR.h"

namespace zr::microqr {

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
// unit square to the finder's corners; module coordinates are divided by the
// finder's side before the map (the grid's numbers depend on that order).
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
// rotations and stores each decoded symbol. Returns the outcome of the last
// attempt (kNothingTried when there was none).
Outcome SearchMicroQRCandidates(const ZrImage &image, regions::RegionList &regions,
                                ResultList &results);
// One pass over the picture: labels the dark regions inside the search
// corners and searches the finder candidates among them.
Outcome ScanPass(ZrImage &image, const geom::SearchBounds &corners, ResultList &results);

// ---- Finder (finder.cpp) ----
// True when all five runs of a finder profile lie inside their bands.
bool CheckFinderRatioStrict(const lines::RunScan &scan);
// Fits the four sides of the region's outline and sets the candidate's finder
// corners; false when a side cannot be fitted or two sides do not meet. The
// corners are those of the outline's pixel coordinates, or with `outerEdges`
// those of the finder's outer pixel edges, which a turned finder needs.
// `work` is scratch space.
bool LocateFinderCorners(const regions::Region &region, MicroQRCandidate &candidate, edges::FitWork &work,
                         bool outerEdges = false);

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
// kDecoded with version, level and mask set; kNoCorners or kNoFormat.
Outcome ReadMicroFormat(const BitImageView &image, MicroQRCandidate &candidate, int rotation);
// Symbol corners (clamped into the picture) and module steps from them.
void SetMicroGrid(const BitImageView &image, MicroQRCandidate &candidate, int rotation);
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
// Decodes the first dataBits bits of the codewords into `out`: kDecoded,
// kDataEnded (a field runs past the data bits), kNoCorners (version not
// 1..4) or kModeNotDecoded.
Outcome DecodeMicroSegments(const Codewords &codewords, int dataBits, int version, qr::DecodedText &out);

// ---- Sampling (sample.cpp) and correction (decode_symbol.cpp) ----
// Reads every data module of the map through the candidate's grid, unmasks
// it and sets its codeword bit; false when a module centre lies outside.
bool SampleMicroCodewords(const BitImageView &image, const MicroQRCandidate &candidate, const ModuleMap &map,
                          Codewords &codewords);
// Codewords one symbol of this version and level may have wrong and still
// be read: half its check codewords less those kept back to catch a wrong
// correction (none for M1, whose check codewords only detect errors).
int CorrectableCodewords(int version, int level);
// Corrects the symbol's codewords in place within that reach: the number of
// codewords changed, or -1 (nothing changed) when they are not a codeword
// within reach or the version and level do not exist.
int CorrectMicroCodewords(Codewords &codewords, int version, int level);
// Decodes the rotation that SetMicroGrid prepared into candidate.decoded:
// kDecoded, kNoFormat, kCorrectionFailed, kDataEnded or kModeNotDecoded.
Outcome DecodeMicroQRSymbol(const BitImageView &image, MicroQRCandidate &candidate);

}  // namespace zr::microqr
