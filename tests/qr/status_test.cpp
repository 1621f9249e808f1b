// The numbers ZrScanQR returns for the reader's outcomes: callers compare
// against them, so each stays what it has always been.
#include <gtest/gtest.h>

#include <utility>

#include "qr/qr_status.hpp"

namespace zr::qr {
namespace {

TEST(PublicStatus, EveryOutcomeKeepsItsNumber) {
    const std::pair<Outcome, std::uint16_t> kNumbers[] = {
        {Outcome::kNothingTried, 0},        {Outcome::kDecoded, 0},      {Outcome::kTripleRejected, 65535},
        {Outcome::kCorrectionFailed, 5008}, {Outcome::kDataEnded, 5015}, {Outcome::kModeNotDecoded, 5016},
    };
    for (const auto &[outcome, number] : kNumbers)
        EXPECT_EQ(PublicStatus(outcome), number) << static_cast<int>(outcome);
    EXPECT_EQ(PublicStatus(Outcome::kTripleRejected), ZR_QR_TRIPLE_REJECTED);
    EXPECT_EQ(PublicStatus(Outcome::kCorrectionFailed), ZR_QR_CORRECTION_FAILED);
    EXPECT_EQ(PublicStatus(Outcome::kDataEnded), ZR_QR_DATA_ENDED);
    EXPECT_EQ(PublicStatus(Outcome::kModeNotDecoded), ZR_QR_MODE_NOT_DECODED);
}

}  // namespace
}  // namespace zr::qr
