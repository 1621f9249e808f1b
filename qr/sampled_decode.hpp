// Decoding a module matrix sampled by the second look with the first look's
// decoding stages: the matrix is a picture of one pixel per module, and the
// candidate's grid steps one pixel per module.
#pragma once

#include "qr/candidate.hpp"
#include "qr/decode.hpp"
#include "qr/perspective_grid.hpp"

namespace zr::qr {

// Reads both format copies by nearest codeword (none within three wrong
// bits: kTripleRejected), then decodes with the nearer, and with the other
// copy's level and mask when that differs and the first fails. Fills the
// candidate's version, size, format and text; its corners are left to the caller.
Outcome DecodeSampledGrid(const SampledGrid &grid, QRCandidate &candidate, DecodeWork &work);

}  // namespace zr::qr
