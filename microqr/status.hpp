// Outcomes of one Micro QR attempt (a finder in one rotation), and the one
// place where they become the numbers ZrScanMicroQR returns: the outcome of
// the scan's last attempt.
#pragma once

#include <cstdint>

#include "core/status.hpp"
#include "zr/ZrMicroQR.h"

namespace zr::microqr {

enum class Outcome : std::uint8_t {
    kNothingTried,      // no finder candidate
    kDecoded,           // the symbol was read
    kNoCorners,         // finder corners not built, corner area outside, or no such version
    kNoFormat,          // no format word matched, or a module centre outside
    kCorrectionFailed,  // the codewords could not be corrected
    kDataEnded,         // the data bits ended inside a field
    kModeNotDecoded,    // a mode value the version does not decode
};

constexpr std::uint16_t PublicStatus(Outcome outcome) {
    switch (outcome) {
        case Outcome::kNothingTried:
        case Outcome::kDecoded:
            return status::kOk;
        case Outcome::kNoCorners:
            return ZR_MICROQR_NO_CORNERS;
        case Outcome::kNoFormat:
            return ZR_MICROQR_NO_FORMAT;
        case Outcome::kCorrectionFailed:
            return ZR_MICROQR_CORRECTION_FAILED;
        case Outcome::kDataEnded:
            return ZR_MICROQR_DATA_ENDED;
        case Outcome::kModeNotDecoded:
            return ZR_MICROQR_MODE_NOT_DECODED;
    }
    return status::kOk;
}

}  // namespace zr::microqr
