// Reed-Solomon decoding with syndromes at alpha^0 .. alpha^(ec - 1).
#include "qr/reed_solomon.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include "qr/gf256.hpp"

namespace zr::qr {

namespace {

using gf256::Div;
using gf256::Exp;
using gf256::Log;
using gf256::Mul;

constexpr int kMaxBlock = 255;
using Poly = std::array<std::uint8_t, kMaxBlock + 1>;  // coefficient i of x^i

// Block value at alpha^power (Horner's rule, highest power first).
std::uint8_t EvaluateBlock(const std::uint8_t *block, int n, int power) {
    const std::uint8_t x = Exp(power % 255);
    std::uint8_t s = 0;
    for (int i = 0; i < n; ++i) s = static_cast<std::uint8_t>(Mul(s, x) ^ block[i]);
    return s;
}

// Value of the polynomial (degree `degree`) at x.
std::uint8_t EvaluatePoly(const Poly &p, int degree, std::uint8_t x) {
    std::uint8_t s = 0;
    for (int i = degree; i >= 0; --i)
        s = static_cast<std::uint8_t>(Mul(s, x) ^ p[static_cast<std::size_t>(i)]);
    return s;
}

bool Syndromes(const std::uint8_t *block, int n, int ecCount, Poly &s) {
    bool any = false;
    for (int i = 0; i < ecCount; ++i) {
        s[static_cast<std::size_t>(i)] = EvaluateBlock(block, n, i);
        any = any || s[static_cast<std::size_t>(i)] != 0;
    }
    return any;
}

// Error locator by Berlekamp-Massey; its degree, or -1 above ecCount / 2.
int ErrorLocator(const Poly &s, int ecCount, Poly &lambda) {
    Poly previous{}, saved{};
    lambda.fill(0);
    lambda[0] = previous[0] = 1;
    int degree = 0, shift = 1;
    std::uint8_t lastDiscrepancy = 1;
    for (int k = 0; k < ecCount; ++k) {
        std::uint8_t d = s[static_cast<std::size_t>(k)];
        for (int i = 1; i <= degree; ++i)
            d ^= Mul(lambda[static_cast<std::size_t>(i)], s[static_cast<std::size_t>(k - i)]);
        if (d == 0) {
            ++shift;
            continue;
        }
        const std::uint8_t factor = Div(d, lastDiscrepancy);
        const bool grow = 2 * degree <= k;
        if (grow) saved = lambda;
        for (int i = 0; i + shift <= kMaxBlock; ++i)
            lambda[static_cast<std::size_t>(i) + static_cast<std::size_t>(shift)] ^=
                Mul(factor, previous[static_cast<std::size_t>(i)]);
        if (grow) {
            degree = k + 1 - degree;
            if (degree > ecCount / 2) return -1;
            previous = saved;
            lastDiscrepancy = d;
            shift = 1;
        } else {
            ++shift;
        }
    }
    return degree;
}

}  // namespace

int RSDecode(std::uint8_t *block, int n, int ecCount) {
    if (block == nullptr || ecCount <= 0 || n < ecCount || n > kMaxBlock) return kRsTooManyErrors;
    Poly s{};
    if (!Syndromes(block, n, ecCount, s)) return 0;
    Poly lambda{};
    const int degree = ErrorLocator(s, ecCount, lambda);
    if (degree <= 0) return kRsTooManyErrors;

    // Error evaluator: S * lambda, truncated above x^(ecCount / 2).
    Poly omega{};
    const int omegaDegree = ecCount / 2;
    for (int i = 0; i <= omegaDegree; ++i)
        for (int j = 0; j <= i && j <= degree; ++j)
            omega[static_cast<std::size_t>(i)] ^=
                Mul(lambda[static_cast<std::size_t>(j)], s[static_cast<std::size_t>(i - j)]);

    // Chien search: every root must lie on a codeword of the block.
    // Term j of lambda(alpha^-i) is alpha^(log lambda_j - i j): each step
    // subtracts j from the logarithm of term j instead of multiplying anew.
    std::array<int, kMaxBlock> powers{};
    std::array<int, kMaxBlock + 1> logTerm{};
    for (int j = 1; j <= degree; ++j)
        logTerm[static_cast<std::size_t>(j)] =
            lambda[static_cast<std::size_t>(j)] == 0 ? -1 : Log(lambda[static_cast<std::size_t>(j)]);
    int found = 0;
    for (int i = 0; i < n && found < degree && degree - found <= n - i; ++i) {
        unsigned sum = lambda[0];
        for (int j = 1; j <= degree; ++j) {
            int &t = logTerm[static_cast<std::size_t>(j)];
            if (t < 0) continue;
            sum ^= Exp(t);
            t -= j;
            if (t < 0) t += 255;
        }
        if (sum == 0) powers[static_cast<std::size_t>(found++)] = i;
    }
    if (found != degree) return kRsPositionsNotFound;

    std::array<std::uint8_t, kMaxBlock> corrected{};
    std::memcpy(corrected.data(), block, static_cast<std::size_t>(n));
    for (int k = 0; k < found; ++k) {
        const int power = powers[static_cast<std::size_t>(k)];
        const std::uint8_t xInverse = Exp((255 - power) % 255);
        std::uint8_t derivative = 0;  // lambda'(x) keeps the odd terms only
        for (int i = 1; i <= degree; i += 2)
            derivative ^= Mul(lambda[static_cast<std::size_t>(i)], Exp((Log(xInverse) * (i - 1)) % 255));
        if (derivative == 0) return kRsPositionsNotFound;
        const std::uint8_t magnitude =
            Mul(Exp(power), Div(EvaluatePoly(omega, omegaDegree, xInverse), derivative));
        corrected[static_cast<std::size_t>(n - 1 - power)] ^= magnitude;
    }
    // A locator that does not describe a real error pattern leaves nonzero syndromes.
    if (Syndromes(corrected.data(), n, ecCount, s)) return kRsPositionsNotFound;
    std::memcpy(block, corrected.data(), static_cast<std::size_t>(n));
    return degree;
}

int RSCorrectBlock(std::uint8_t *codewords, std::size_t dataStart, int dataCount, std::size_t ecStart,
                   int ecCount) {
    if (dataCount < 0 || ecCount <= 0 || dataCount + ecCount > kMaxBlock) return kRsTooManyErrors;
    std::array<std::uint8_t, kMaxBlock> block{};
    const auto data = static_cast<std::size_t>(dataCount);
    const auto ec = static_cast<std::size_t>(ecCount);
    std::copy_n(codewords + dataStart, data, block.begin());
    std::copy_n(codewords + ecStart, ec, block.begin() + static_cast<std::ptrdiff_t>(data));
    const int result = RSDecode(block.data(), dataCount + ecCount, ecCount);
    if (result > 0) {
        std::copy_n(block.begin(), data, codewords + dataStart);
        std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(data), ec, codewords + ecStart);
    }
    return result;
}

}  // namespace zr::qr
