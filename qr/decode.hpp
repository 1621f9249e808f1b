// Decoding of one located QR Code symbol: sampling the data modules through
// the grid, unmasking, block correction and segment decoding.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/image_view.hpp"
#include "qr/candidate.hpp"
#include "qr/module_map.hpp"
#include "qr/qr_status.hpp"
#include "qr/segments.hpp"

namespace zr::qr {

// Buffers reused by every symbol decoded in one scan: the codewords, and the
// placement path of each version met so far.
struct DecodeWork {
    SegmentModes modes = SegmentModes::kDataAndEci;  // the mode indicators the data may hold
    std::vector<std::uint8_t> codewords;
    std::array<std::vector<ModulePosition>, 41> paths;

    const std::vector<ModulePosition> &PathFor(int version) {
        std::vector<ModulePosition> &path = paths[static_cast<std::size_t>(version)];
        if (path.empty()) PlacementPath(version, path);
        return path;
    }
};

// The unmasked data bit of module (column j, row i); a module whose centre
// lies outside the picture reads 0 and sets `outside`.
int SampleModule(const BitImageView &view, const QRCandidate &candidate, int j, int i, int mask,
                 bool &outside);

// kDecoded, kCorrectionFailed, kDataEnded or kModeNotDecoded; the decoded
// bytes, counts and confidence are stored in the candidate.
Outcome DecodeQRSymbol(const BitImageView &view, QRCandidate &candidate, DecodeWork &work);

}  // namespace zr::qr
