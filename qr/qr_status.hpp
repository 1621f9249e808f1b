// Internal status codes of the QR-family readers. Some reach the caller:
// ZrScanQR returns the status of the last finder triple it tried.
#pragma once

#include <cstdint>

namespace zr::qr {

constexpr std::uint16_t kCorrectionFailed = 5008;  // a codeword block could not be corrected
constexpr std::uint16_t kProfileAtEdge = 5011;     // a finder profile reached the picture's edge
constexpr std::uint16_t kDataEnded = 5015;         // the data stream ended inside a field
constexpr std::uint16_t kModeNotDecoded = 5016;    // a mode indicator that is not decoded
constexpr std::uint16_t kTripleRejected = 65535;   // triangle, version or format test failed
constexpr std::uint8_t kNotFinderProfile = 255;    // CheckFinderRatio: not 1:1:3:1:1

}  // namespace zr::qr
