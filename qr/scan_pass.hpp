// One search of the working image for QR Code symbols: labelling, finder
// candidates, the triple search and the storing of decoded symbols.
#pragma once

#include <cstdint>
#include <vector>

#include "core/call_frame.hpp"
#include "qr/decode.hpp"
#include "qr/finder.hpp"
#include "zr/ZrQR.h"

namespace zr::qr {

// Receives each decoded symbol; returns true when it was stored (its finders
// are then used up).
class SymbolSink {
  public:
    virtual ~SymbolSink() = default;
    virtual bool Store(const QRCandidate &candidate) = 0;
};

// Work one triple search does at most: a picture crowded with finder-like
// shapes ends its search there instead of taking seconds. Ordinary pictures,
// with some tens of candidates, stay orders of magnitude below both.
constexpr long kMaxDecodeAttempts = 4000;   // decodings of located triples
constexpr long kMaxSearchSteps = 20000000;  // candidates sorted by distance or examined in a band

// Tries the triples of finder candidates (indices a, i, k, nested in that
// order, none used) and hands every decoded symbol to the sink. Returns the
// status of the last triple tried, 0 when there was none.
std::uint16_t SearchFinderTriples(const BitImageView &view, std::vector<FinderCandidate> &candidates,
                                  SymbolSink &sink);

// Labels the rectangle, collects the finder candidates and searches the
// triples, appending decoded symbols to the scanner's results.
std::uint16_t ScanPass(ZrImage &work, const SearchCorners &corners, ZrQRScanner &scanner);

// Copies a decoded symbol into a result record.
void CopyResult(const QRCandidate &candidate, QRResult &result);

}  // namespace zr::qr
