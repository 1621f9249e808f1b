// One search of the working image for QR Code symbols: labelling, finder
// candidates, the triple search and the storing of decoded symbols.
#pragma once

#include <cstdint>
#include <vector>

#include "core/call_frame.hpp"
#include "core/polarity_passes.hpp"
#include "qr/decode.hpp"
#include "qr/finder.hpp"
#include "qr/qr_status.hpp"
#include "zr/ZrQR.h"

namespace zr::qr {

// Receives each decoded symbol; returns true when it was stored (its finders
// are then used up).
class SymbolSink {
  public:
    virtual ~SymbolSink() = default;
    virtual bool Store(const QRCandidate &candidate) = 0;
};

// Work the full triple search does at most: a picture crowded with
// finder-like shapes ends it there instead of taking seconds, and the search
// among near neighbours, under the same limits, takes over. Ordinary
// pictures, with some tens of candidates, stay far below both.
constexpr long kMaxDecodeAttempts = 20000;  // decodings of located triples
constexpr long kMaxSearchSteps = 20000000;  // candidates sorted by distance or examined in a band

// Tries the triples of finder candidates (indices a, i, k, nested in that
// order, none used) and hands every decoded symbol to the sink. Returns the
// outcome of the last triple tried, kNothingTried when there was none. Only
// triples whose legs from a differ by at most a tenth are tried: the others
// fail the triangle test, and the outcome accounts for them.
Outcome SearchFinderTriples(const BitImageView &view, std::vector<FinderCandidate> &candidates,
                            SymbolSink &sink);

// Labels the rectangle, collects the finder candidates and searches the
// triples, appending decoded symbols to the scanner's results; `textDetails`,
// when given, gets each stored result's ECI designators and FNC1 mode at its index. Adds
// the number of finder candidates to `finders` when given.
Outcome ScanPass(ZrImage &work, const SearchCorners &corners, ZrQRScanner &scanner,
                 std::vector<TextDetails> *textDetails = nullptr, std::size_t *finders = nullptr);

// The whole scan behind ZrScanQR (`textDetails` as for ScanPass): the entry of
// the C interface, and of the C++ interface, which reads the texts by their ECIs.
std::uint16_t Scan(ZrQRScanner *scanner, std::vector<TextDetails> *textDetails);

// The scan's two passes: the picture as given and inverted.
constexpr std::uint8_t kFoundAsGiven = 1;
constexpr std::uint8_t kFoundInverted = 2;
constexpr PolarityScheme kPasses{ZR_QR_DARK_ON_LIGHT, ZR_QR_LIGHT_ON_DARK, kFoundAsGiven, kFoundInverted,
                                 PolarityScheme::Default::kNeitherPassBit};

// Copies a decoded symbol into a result record.
void CopyResult(const QRCandidate &candidate, QRResult &result);

}  // namespace zr::qr
