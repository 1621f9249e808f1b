// The QR Code decoders as they stood before core/rs, kept verbatim as the
// reference of the equivalence test: Reed-Solomon over GF(256) 0x11D and the
// BCH(15,5) format word decoder over GF(16).
#include <array>
#include <cstring>

#include "old_decoders.hpp"

namespace zr::test::old {

namespace {

constexpr unsigned kFieldPolynomial = 0x11D;

struct Tables {
    // alpha^0..alpha^254 written twice, so sums of two logarithms need no reduction.
    std::array<std::uint8_t, 510> exp{};
    std::array<std::uint8_t, 256> log{};  // log[0] unused
};

constexpr Tables BuildTables() {
    Tables t{};
    unsigned x = 1;
    for (int i = 0; i < 255; ++i) {
        t.exp[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(x);
        t.exp[static_cast<std::size_t>(i) + 255] = static_cast<std::uint8_t>(x);
        t.log[x] = static_cast<std::uint8_t>(i);
        x <<= 1;
        if (x & 0x100) x ^= kFieldPolynomial;
    }
    return t;
}

inline constexpr Tables kTables = BuildTables();

constexpr std::uint8_t Exp(int i) {
    return kTables.exp[static_cast<std::size_t>(i)];
}
constexpr int Log(std::uint8_t a) {
    return kTables.log[a];
}
constexpr std::uint8_t Mul(std::uint8_t a, std::uint8_t b) {
    return (a == 0 || b == 0) ? 0 : Exp(Log(a) + Log(b));
}
// b must not be 0.
constexpr std::uint8_t Div(std::uint8_t a, std::uint8_t b) {
    return a == 0 ? 0 : Exp(Log(a) + 255 - Log(b));
}
constexpr std::uint8_t Inverse(std::uint8_t a) {
    return Exp(255 - Log(a));
}

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

int OldQrDecode(std::uint8_t *block, int n, int ecCount) {
    if (block == nullptr || ecCount <= 0 || n < ecCount || n > kMaxBlock) return -1;
    Poly s{};
    if (!Syndromes(block, n, ecCount, s)) return 0;
    Poly lambda{};
    const int degree = ErrorLocator(s, ecCount, lambda);
    if (degree <= 0) return -1;

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
    if (found != degree) return -2;

    std::array<std::uint8_t, kMaxBlock> corrected{};
    std::memcpy(corrected.data(), block, static_cast<std::size_t>(n));
    for (int k = 0; k < found; ++k) {
        const int power = powers[static_cast<std::size_t>(k)];
        const std::uint8_t xInverse = Exp((255 - power) % 255);
        std::uint8_t derivative = 0;  // lambda'(x) keeps the odd terms only
        for (int i = 1; i <= degree; i += 2)
            derivative ^= Mul(lambda[static_cast<std::size_t>(i)], Exp((Log(xInverse) * (i - 1)) % 255));
        if (derivative == 0) return -2;
        const std::uint8_t magnitude =
            Mul(Exp(power), Div(EvaluatePoly(omega, omegaDegree, xInverse), derivative));
        corrected[static_cast<std::size_t>(n - 1 - power)] ^= magnitude;
    }
    // A locator that does not describe a real error pattern leaves nonzero syndromes.
    if (Syndromes(corrected.data(), n, ecCount, s)) return -2;
    std::memcpy(block, corrected.data(), static_cast<std::size_t>(n));
    return degree;
}

namespace {

// GF(16) with x^4 + x + 1: alpha^0..alpha^14 twice.
struct Gf16 {
    std::array<std::uint8_t, 30> exp{};
    std::array<std::uint8_t, 16> log{};
};

constexpr Gf16 BuildGf16() {
    Gf16 t{};
    unsigned x = 1;
    for (int i = 0; i < 15; ++i) {
        t.exp[static_cast<std::size_t>(i)] = t.exp[static_cast<std::size_t>(i) + 15] =
            static_cast<std::uint8_t>(x);
        t.log[x] = static_cast<std::uint8_t>(i);
        x <<= 1;
        if (x & 0x10) x ^= 0x13;
    }
    return t;
}

constexpr Gf16 kGf16 = BuildGf16();

constexpr std::uint8_t Mul16(std::uint8_t a, std::uint8_t b) {
    return (a == 0 || b == 0) ? 0 : kGf16.exp[static_cast<std::size_t>(kGf16.log[a] + kGf16.log[b])];
}
constexpr std::uint8_t Div16(std::uint8_t a, std::uint8_t b) {
    return a == 0 ? 0 : kGf16.exp[static_cast<std::size_t>(kGf16.log[a] + 15 - kGf16.log[b])];
}
constexpr std::uint8_t Pow16(int e) {
    return kGf16.exp[static_cast<std::size_t>(e % 15)];
}

}  // namespace

int OldFormatDecode(std::array<std::uint8_t, 15> &bits) {
    std::array<std::uint8_t, 7> s{};
    bool any = false;
    for (int m = 0; m <= 6; ++m) {
        for (int k = 0; k < 15; ++k)
            if (bits[static_cast<std::size_t>(k)] & 1) s[static_cast<std::size_t>(m)] ^= Pow16(m * k);
        any = any || s[static_cast<std::size_t>(m)] != 0;
    }
    if (!any) return 0;

    // Berlekamp-Massey on S1..S6.
    std::array<std::uint8_t, 8> lambda{1}, previous{1}, saved{};
    int degree = 0, shift = 1;
    std::uint8_t last = 1;
    for (int n = 0; n < 6; ++n) {
        std::uint8_t d = s[static_cast<std::size_t>(n) + 1];
        for (int i = 1; i <= degree; ++i)
            d ^= Mul16(lambda[static_cast<std::size_t>(i)], s[static_cast<std::size_t>(n + 1 - i)]);
        if (d == 0) {
            ++shift;
            continue;
        }
        const std::uint8_t factor = Div16(d, last);
        const bool grow = 2 * degree <= n;
        if (grow) saved = lambda;
        for (int i = 0; i + shift < 8; ++i)
            lambda[static_cast<std::size_t>(i) + static_cast<std::size_t>(shift)] ^=
                Mul16(factor, previous[static_cast<std::size_t>(i)]);
        if (grow) {
            degree = n + 1 - degree;
            previous = saved;
            last = d;
            shift = 1;
        } else {
            ++shift;
        }
    }
    if (degree > 3) return 0;

    std::array<int, 3> roots{};
    int found = 0;
    for (int k = 0; k < 15; ++k) {
        std::uint8_t value = 0;
        const std::uint8_t xInverse = Pow16(15 - k);
        for (int i = degree; i >= 0; --i)
            value = static_cast<std::uint8_t>(Mul16(value, xInverse) ^ lambda[static_cast<std::size_t>(i)]);
        if (value != 0) continue;
        if (found == 3) return -1;
        roots[static_cast<std::size_t>(found++)] = k;
    }
    if (found == degree)
        for (int i = 0; i < found; ++i)
            bits[static_cast<std::size_t>(roots[static_cast<std::size_t>(i)])] ^= 1;
    return found;
}

}  // namespace zr::test::old
