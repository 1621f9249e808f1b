// PDF417 codeword sequences through the common Reed-Solomon decoder: check
// roots 3^1 .. 3^checkWords, the last one held back as a check.
#include "pdf417/correction.hpp"

#include <algorithm>
#include <array>

#include "core/rs/reed_solomon.hpp"

namespace zr::pdf417 {

namespace {

using Field = rs::Gf929;
static_assert(Field::kOrder == kFieldSize, "codeword values are the field's elements");
constexpr int kFirstRoot = 1;
constexpr int kSpareChecks = 1;
constexpr int kMinCheckWords = 2;
constexpr int kMaxCheckWords = rs::kMaxCheckCount;
constexpr int kPeriod = Field::kPeriod;  // 928: the longest sequence without repeated powers

bool InField(int v) {
    return v >= 0 && v < kFieldSize;
}

}  // namespace

int CorrectCodewords(std::vector<int> &codewords, int checkWords) {
    return CorrectCodewords(codewords, checkWords, {});
}

int CorrectCodewords(std::vector<int> &codewords, int checkWords, const std::vector<int> &erasures) {
    const int count = static_cast<int>(codewords.size());
    if (checkWords < kMinCheckWords || checkWords > kMaxCheckWords || checkWords >= count ||
        !std::all_of(codewords.begin(), codewords.end(), InField))
        return kCorrectionFailed;
    // Codeword i stands at power count-1-i. Powers repeat after the period, so
    // a longer sequence is decoded folded, the codewords of equal powers
    // added, and corrected at the last codeword of each power.
    const int length = std::min(count, kPeriod);
    const auto slot = [&](int index) { return length - 1 - (count - 1 - index) % kPeriod; };
    std::array<Field::Element, kPeriod> block{};
    for (int i = 0; i < count; ++i) {
        auto &symbol = block[static_cast<std::size_t>(slot(i))];
        symbol = Field::Add(symbol, static_cast<Field::Element>(codewords[static_cast<std::size_t>(i)]));
    }
    std::array<int, kMaxCheckWords> erased{};
    int erasedCount = 0;
    for (int index : erasures) {
        if (index < 0 || index >= count) return kCorrectionFailed;
        const int at = slot(index);
        if (std::find(erased.begin(), erased.begin() + erasedCount, at) != erased.begin() + erasedCount)
            continue;
        if (erasedCount == kMaxCheckWords) return kCorrectionFailed;
        erased[static_cast<std::size_t>(erasedCount++)] = at;
    }
    const std::array<Field::Element, kPeriod> received = block;
    const rs::Outcome outcome =
        rs::Decode<Field>(block.data(), rs::CodeShape{length, checkWords, kFirstRoot, kSpareChecks, false},
                          erased.data(), erasedCount);
    if (!outcome.Ok()) return kCorrectionFailed;
    for (int at = 0; at < length; ++at) {
        const auto s = static_cast<std::size_t>(at);
        if (block[s] == received[s]) continue;
        int &c = codewords[static_cast<std::size_t>(count - length + at)];
        c = Field::Add(static_cast<Field::Element>(c), Field::Subtract(block[s], received[s]));
    }
    return outcome.corrected;
}

int ConfidenceOf(int count, int corrected) {
    if (count <= 0) return 0;
    const int percent = (count - corrected) * 100 / count;
    return percent > 100 ? 100 : percent < 0 ? 0 : percent;
}

std::vector<int> CheckWordsFor(const std::vector<int> &data, int checkWords) {
    if (!std::all_of(data.begin(), data.end(), InField)) return {};
    const std::vector<Field::Element> symbols(data.begin(), data.end());
    std::vector<Field::Element> check(static_cast<std::size_t>(std::max(checkWords, 0)));
    if (!rs::ComputeCheckSymbols<Field>(symbols.data(), static_cast<int>(symbols.size()), checkWords,
                                        kFirstRoot, check.data()))
        return {};
    return std::vector<int>(check.begin(), check.end());
}

}  // namespace zr::pdf417
