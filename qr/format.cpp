// Reading and correcting the format information.
#include "qr/format.hpp"

#include <cmath>

namespace zr::qr {

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

// The format mask 101010000010010: bits 1, 4, 10, 12 and 14.
constexpr std::array<int, 5> kMaskedBits = {1, 4, 10, 12, 14};

// Removes the format mask, corrects the bits and takes the level and mask from them.
int SetLevelAndMask(FormatBits &bits, QRCandidate &c) {
    for (int k : kMaskedBits) bits[static_cast<std::size_t>(k)] ^= 1;
    const int result = DecodeFormatBits(bits);
    c.level = static_cast<std::uint8_t>(bits[14] * 2 + bits[13]);
    c.mask = static_cast<std::uint8_t>(bits[12] * 4 + bits[11] * 2 + bits[10]);
    return result;
}

}  // namespace

int DecodeFormatBits(FormatBits &bits) {
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

namespace {

// DecodeFormatBits' answer when it finds a fourth root.
constexpr int kTooManyRoots = -1;

}  // namespace

bool ReadFormatPrimary(const BitImageView &view, QRCandidate &c) {
    static constexpr int kModules[15][2] = {{8, 0}, {8, 1}, {8, 2}, {8, 3}, {8, 4}, {8, 5}, {8, 7}, {8, 8},
                                            {7, 8}, {5, 8}, {4, 8}, {3, 8}, {2, 8}, {1, 8}, {0, 8}};
    FormatBits bits{};
    for (std::size_t k = 0; k < 15; ++k) {
        const geom::PointF p = c.ModuleCentre(kModules[k][0], kModules[k][1]);
        bits[k] = DarkAt(view, p.x, p.y) ? 1 : 0;
    }
    return SetLevelAndMask(bits, c) != kTooManyRoots;
}

bool ReadFormatSecondary(const BitImageView &view, QRCandidate &c) {
    FormatBits bits{};
    for (int k = 3, i = 0; k >= -4; --k, ++i) {
        const geom::PointF p = c.b + static_cast<double>(k) * c.u + 5.0 * c.v;
        bits[static_cast<std::size_t>(i)] =
            DarkAt(view, std::trunc(p.x + 0.5), std::trunc(p.y + 0.5)) ? 1 : 0;
    }
    for (int k = -3, i = 8; k <= 3; ++k, ++i) {
        const geom::PointF p = c.d + 5.0 * c.u + static_cast<double>(k) * c.v;
        bits[static_cast<std::size_t>(i)] =
            DarkAt(view, std::trunc(p.x + 0.5), std::trunc(p.y + 0.5)) ? 1 : 0;
    }
    return SetLevelAndMask(bits, c) != kTooManyRoots;
}

}  // namespace zr::qr
