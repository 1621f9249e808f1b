// The QR reader's second look: when the first look has read nothing, the
// picture is thresholded locally, finder triples are accepted at a slant,
// the version is read from the version information and the timing
// patterns, and the modules are sampled through a projective grid.
#pragma once

#include <cstddef>
#include <vector>

#include "core/polarity_passes.hpp"
#include "qr/finder.hpp"
#include "qr/perspective_grid.hpp"
#include "qr/segments.hpp"
#include "zr/ZrQR.h"

namespace zr::qr {

// True when the second look is to run: the flags allow it, the first look
// stored nothing, and its passes met at least one finder candidate or the
// picture has print on its edge (where a symbol cropped close loses its
// finders to the first look). A picture with neither is not worth a second
// labelling.
bool SecondLookDue(const ZrQRScanner &scanner, std::size_t firstLookFinders, bool darkAtEdge);

// The second look over the scanner's picture, both polarities as its flags
// ask; symbols are added through AddSecondLookResult and marked with the
// colour of their pass, and `textDetails`, when given, gets each added result's
// ECI designators and FNC1 mode at its index. `storedGrey` may hold the
// picture's grey levels from the first look's preparation (see DibToBiLevel).
// True when a symbol found the result list full.
bool RunSecondLook(ZrQRScanner &scanner, const PolarityScheme &passes,
                   std::vector<TextDetails> *textDetails = nullptr,
                   const std::vector<std::uint8_t> &storedGrey = {});

// The slant-tolerant triple test: three finder candidates of similar size
// forming a triangle whose angle at one of them lies between 60 and 120
// degrees with legs within a ratio of 1.7. Sets the triple in reading order
// (A at that angle, B along the first row, D down the first column) and a
// score, lower for tighter, more even triangles.
bool SlantedTriple(const FinderCandidate &p, const FinderCandidate &q, const FinderCandidate &r,
                   FinderTriple &triple, double &score);

}  // namespace zr::qr
