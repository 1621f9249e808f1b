// Arithmetic in GF(256) with the field polynomial x^8 + x^4 + x^3 + x^2 + 1
// (0x11D) and primitive element 2, as QR Code and Micro QR use it. The tables
// are compile-time constants shared by every thread.
#pragma once

#include <array>
#include <cstdint>

namespace zr::qr::gf256 {

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

static_assert(Exp(8) == 0x1D, "alpha^8 reduces by the field polynomial");
static_assert(Mul(Inverse(0x53), 0x53) == 1, "inverse");

}  // namespace zr::qr::gf256
