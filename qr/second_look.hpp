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

// What the first look met: finder candidates in its pass over the picture as
// given and in its pass over the inverted picture, and whether print touches
// the picture's edge.
struct FirstLookClues {
    std::size_t findersAsGiven = 0, findersInverted = 0;
    bool darkAtEdge = false;
};

// The polarity passes (bits of `passes`) the second look is to run; 0 for
// none. None when the flags forbid it or the first look stored a symbol.
// A polarity is searched again where its first pass met a finder candidate;
// the picture as given also where print touches its edge (a symbol cropped
// close loses its finders to the first look). A pass that met no finder
// rarely hides a symbol and is not worth a second labelling: on a picture of
// dark print this skips the inverted pass, which costs as much as the other.
std::uint8_t SecondLookPasses(const ZrQRScanner &scanner, const PolarityScheme &passes,
                              const FirstLookClues &clues);

// The second look over the scanner's picture, in the polarities of
// `passBits` (from SecondLookPasses); symbols are added through AddSecondLookResult and marked with the
// colour of their pass, and `textDetails`, when given, gets each added result's
// ECI designators and FNC1 mode at its index. `storedGrey` may hold the
// picture's grey levels from the first look's preparation (see DibToBiLevel).
// True when a symbol found the result list full.
bool RunSecondLook(ZrQRScanner &scanner, const PolarityScheme &passes, std::uint8_t passBits,
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
