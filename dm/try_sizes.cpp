// The size walk: the first size whose border matches and whose codewords
// correct gives the symbol.
#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

#include "dm/codewords.hpp"
#include "dm/grid.hpp"
#include "dm/stages.hpp"

namespace zr::dm {
namespace {

// Smallest module size, in pixels, the reader samples.
constexpr double kMinModulePixels = 2;

bool ModulesLargeEnough(const DMSymbol &symbol, const DMSize &size) {
    const double shorter = std::min(symbol.hEdge.length, symbol.vEdge.length);
    const double longer = std::max(symbol.hEdge.length, symbol.vEdge.length);
    if (size.Square()) return shorter / size.rows >= kMinModulePixels;
    return shorter / size.rows >= kMinModulePixels && longer / size.columns >= kMinModulePixels;
}

bool DecodeSize(const BitImageView &image, ScanWork &work, const DMSize &size, bool refine) {
    work.symbol.rows = size.rows;  // the size under trial, also when its sampling fails
    work.symbol.columns = size.columns;
    return SampleMappingMatrix(image, work.symbol.corners, size, work.MatrixFor(size), refine) &&
           DecodeSampledMatrix(work, size);
}

}  // namespace

// The refined lattice, then where the refined boundaries between regions
// miss (turned symbols) the plain one, which may still read.
bool DecodeEitherLattice(const BitImageView &image, ScanWork &work, const DMSize &size) {
    return DecodeSize(image, work, size, true) ||
           (size.layout != RegionLayout::k1x1 && DecodeSize(image, work, size, false));
}

bool DecodeSampledMatrix(ScanWork &work, const DMSize &size) {
    DMSymbol &symbol = work.symbol;
    symbol.rows = size.rows;
    symbol.columns = size.columns;
    // The placement depends on the matrix size alone: it is laid once for
    // the many hypotheses that try the same size in turn.
    if (work.placedRows != size.mappingRows || work.placedColumns != size.mappingColumns) {
        const auto modules = static_cast<std::size_t>(size.mappingRows * size.mappingColumns);
        if (work.placement.size() < modules) work.placement.resize(modules);
        PlaceModules(work.placement.data(), size.mappingRows, size.mappingColumns);
        work.placedRows = size.mappingRows;
        work.placedColumns = size.mappingColumns;
    }
    ReadPlacedCodewords(work.MatrixFor(size), work.placement.data(), symbol.codewords.data(), size.mappingColumns,
                        size.mappingRows);
    if (!CorrectSymbol(symbol, size)) return false;
    symbol.text.fill('\0');
    DecodeDMData(symbol.codewords.data(), size.dataCodewords, symbol.text.data(), kTextCapacity, &symbol.details);
    return true;
}

std::uint8_t *ScanWork::MatrixFor(const DMSize &size) {
    const auto modules = static_cast<std::size_t>(size.mappingRows * size.mappingColumns);
    if (matrix.size() < modules) matrix.resize(modules);
    return matrix.data();
}

bool TrySizes(const BitImageView &image, ScanWork &work) {
    return TrySizes(image, work, kDMSizeTable.data(), kDMSizeTable.data() + kDMSizeTable.size());
}

bool TrySizes(const BitImageView &image, ScanWork &work, const DMSize *first, const DMSize *last) {
    for (const DMSize *entry = first; entry != last; ++entry) {
        const DMSize &size = *entry;
        if (!ModulesLargeEnough(work.symbol, size)) continue;
        if (!CheckSizeBorder(image, work.symbol.corners, size)) continue;
        if (DecodeEitherLattice(image, work, size)) return true;
    }
    return false;
}

static_assert(kMostPassingSizes >= kHypothesisCount * (kSizeCount + kDmreSizeCount),
              "room for every size of both tables under every hypothesis");

std::size_t CollectPassingSizes(const BitImageView &image, ScanWork &work, const DMSize *first, const DMSize *last,
                                int hypothesis, std::size_t count) {
    for (const DMSize *entry = first; entry != last && count < work.passing.size(); ++entry) {
        if (!ModulesLargeEnough(work.symbol, *entry)) continue;
        int missed = 0;
        if (!CheckSizeBorder(image, work.symbol.corners, *entry, &missed)) continue;
        work.passing[count] = {missed, static_cast<int>(count), hypothesis, entry};
        ++count;
    }
    return count;
}

bool TrySizesFewestMissesFirst(const BitImageView &image, ScanWork &work, const DMSize *first, const DMSize *last) {
    const auto begin = work.passing.begin();
    const auto end = begin + static_cast<std::ptrdiff_t>(CollectPassingSizes(image, work, first, last, 0, 0));
    std::sort(begin, end, [](const PassingSize &a, const PassingSize &b) {
        return a.misses != b.misses ? a.misses < b.misses : a.order < b.order;
    });
    for (auto passing = begin; passing != end; ++passing)
        if (DecodeEitherLattice(image, work, *passing->size)) return true;
    return false;
}

}  // namespace zr::dm
