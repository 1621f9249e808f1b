// Element patterns of Inverted 2 of 5 and BCD Matrix, from their published
// narrow/wide patterns.
#include "paint_bar.hpp"

namespace zr::test {
namespace {

// N narrow, W wide.
constexpr const char *kTwoOfFive[10] = {"NNWWN", "WNNNW", "NWNNW", "WWNNN", "NNWNW",
                                        "WNWNN", "NWWNN", "NNNWW", "WNNWN", "NWNWN"};
constexpr const char *kBcdMatrix[10] = {"NNWW", "WNNN", "NWNN", "WWNN", "NNWN",
                                        "WNWN", "NWWN", "NNNW", "WNNW", "NWNW"};

std::string Widths(const std::string &pattern, int wide) {
    std::string out;
    for (const char c : pattern) out += c == 'W' ? static_cast<char>('0' + wide) : '1';
    return out;
}

bool Valid(const std::string &digits, int wide) {
    if (wide < 2 || wide > 9) return false;
    for (const char c : digits) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

}  // namespace

std::string Inverted2of5Elements(const std::string &digits, int wide) {
    if (!Valid(digits, wide)) return {};
    std::string out = Widths("NWNWNNN", wide);
    for (const char d : digits) {
        for (const char c : std::string(kTwoOfFive[d - '0'])) out += Widths(std::string(1, c) + "N", wide);
    }
    return out + Widths("WNNNWN", wide);
}

std::string BcdMatrixElements(const std::string &digits, int wide) {
    if (!Valid(digits, wide)) return {};
    std::string out = Widths("NNWWN", wide) + "1";
    for (const char d : digits) out += Widths(kBcdMatrix[d - '0'], wide);
    return out + Widths("NNWWN", wide);
}

char WeightedCheckDigit(const std::string &digits, int first, int second) {
    int sum = 0;
    for (std::size_t i = 0; i < digits.size(); ++i) sum += (digits[i] - '0') * (i % 2 == 0 ? first : second);
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

}  // namespace zr::test
