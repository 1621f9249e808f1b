// Outcomes of the QR Code reader's stages, and the one place where they
// become the numbers ZrScanQR returns: the outcome of the last finder triple
// the scan tried.
#pragma once

#include <cstdint>

#include "core/status.hpp"
#include "zr/ZrQR.h"

namespace zr::qr {

enum class Outcome : std::uint8_t {
    kNothingTried,      // fewer than three finder candidates, or no triple left to try
    kDecoded,           // the symbol was read
    kTripleRejected,    // triangle, version or format test failed
    kCorrectionFailed,  // a codeword block could not be corrected
    kDataEnded,         // the data stream ended inside a field
    kModeNotDecoded,    // a mode indicator that is not decoded
};

constexpr std::uint16_t PublicStatus(Outcome outcome) {
    switch (outcome) {
        case Outcome::kNothingTried:
        case Outcome::kDecoded:
            return status::kOk;
        case Outcome::kTripleRejected:
            return ZR_QR_TRIPLE_REJECTED;
        case Outcome::kCorrectionFailed:
            return ZR_QR_CORRECTION_FAILED;
        case Outcome::kDataEnded:
            return ZR_QR_DATA_ENDED;
        case Outcome::kModeNotDecoded:
            return ZR_QR_MODE_NOT_DECODED;
    }
    return status::kOk;
}

}  // namespace zr::qr
