// The numbers ZrScanMicroQR returns for the reader's outcomes: callers
// compare against them, so each stays what it has always been, including
// those that differ from the QR Code reader's.
#include <gtest/gtest.h>

#include <utility>

#include "microqr/status.hpp"
#include "qr/qr_status.hpp"

namespace zr::microqr {
namespace {

TEST(PublicStatus, EveryOutcomeKeepsItsNumber) {
    const std::pair<Outcome, std::uint16_t> kNumbers[] = {
        {Outcome::kNothingTried, 0},        {Outcome::kDecoded, 0},
        {Outcome::kNoCorners, 10001},       {Outcome::kNoFormat, 65535},
        {Outcome::kCorrectionFailed, 5008}, {Outcome::kDataEnded, 5015},
        {Outcome::kModeNotDecoded, 10002},
    };
    for (const auto &[outcome, number] : kNumbers)
        EXPECT_EQ(PublicStatus(outcome), number) << static_cast<int>(outcome);
}

TEST(PublicStatus, TheQRFamilysSharedOutcomesMatchWhereTheirNumbersDo) {
    EXPECT_EQ(PublicStatus(Outcome::kCorrectionFailed), qr::PublicStatus(qr::Outcome::kCorrectionFailed));
    EXPECT_EQ(PublicStatus(Outcome::kDataEnded), qr::PublicStatus(qr::Outcome::kDataEnded));
    // "Mode not decoded" has a number of its own in each reader.
    EXPECT_EQ(PublicStatus(Outcome::kModeNotDecoded), ZR_MICROQR_MODE_NOT_DECODED);
    EXPECT_NE(PublicStatus(Outcome::kModeNotDecoded), qr::PublicStatus(qr::Outcome::kModeNotDecoded));
}

}  // namespace
}  // namespace zr::microqr
