// QR Code blocks through the common Reed-Solomon decoder.
#include "qr/reed_solomon.hpp"

#include <algorithm>
#include <array>

#include "core/rs/reed_solomon.hpp"

namespace zr::qr {

namespace {

using Field = rs::Gf256Qr;
constexpr int kMaxBlock = Field::kPeriod;
using Block = std::array<Field::Element, kMaxBlock>;

// Decodes block[0 .. n-1]; the RSDecode result.
int DecodeBlock(Block &block, int n, int ecCount) {
    const rs::Outcome outcome = rs::Decode<Field>(block.data(), rs::CodeShape{n, ecCount, 0, 0, false});
    switch (outcome.verdict) {
        case rs::Verdict::kClean:
        case rs::Verdict::kCorrected:
            return outcome.corrected;
        case rs::Verdict::kBadShape:
        case rs::Verdict::kTooManyErrors:
            return kRsTooManyErrors;
        case rs::Verdict::kRootsMissing:
        case rs::Verdict::kNotACodeword:
            break;
    }
    return kRsPositionsNotFound;
}

}  // namespace

int RSCorrectBlock(std::uint8_t *codewords, std::size_t dataStart, int dataCount, std::size_t ecStart,
                   int ecCount) {
    if (codewords == nullptr || dataCount < 0 || ecCount <= 0 || dataCount + ecCount > kMaxBlock)
        return kRsTooManyErrors;
    Block work{};
    const auto data = static_cast<std::size_t>(dataCount);
    const auto ec = static_cast<std::size_t>(ecCount);
    std::copy_n(codewords + dataStart, data, work.begin());
    std::copy_n(codewords + ecStart, ec, work.begin() + static_cast<std::ptrdiff_t>(data));
    const int result = DecodeBlock(work, dataCount + ecCount, ecCount);
    if (result > 0) {
        const auto corrected = [](Field::Element v) { return static_cast<std::uint8_t>(v); };
        std::transform(work.begin(), work.begin() + static_cast<std::ptrdiff_t>(data), codewords + dataStart,
                       corrected);
        std::transform(work.begin() + static_cast<std::ptrdiff_t>(data),
                       work.begin() + static_cast<std::ptrdiff_t>(data + ec), codewords + ecStart, corrected);
    }
    return result;
}

int RSDecode(std::uint8_t *block, int n, int ecCount) {
    const auto data = static_cast<std::size_t>(n - ecCount);
    return n < ecCount ? kRsTooManyErrors : RSCorrectBlock(block, 0, n - ecCount, data, ecCount);
}

}  // namespace zr::qr
