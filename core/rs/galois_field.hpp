// Finite fields for the error-correcting codes of the readers: GF(2^m) given
// by a primitive polynomial (generator x) and prime fields given by a
// primitive root. Power and logarithm tables are compile-time constants.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zr::rs {

namespace detail {

constexpr bool IsPowerOfTwo(unsigned v) {
    return v != 0 && (v & (v - 1)) == 0;
}

// Powers of the generator written twice (sums of two logarithms need no
// reduction) and the logarithm of every non-zero element.
template <unsigned Order>
struct FieldTables {
    std::array<std::uint16_t, 2 * (Order - 1)> exp{};
    std::array<std::uint16_t, Order> log{};  // log[0] unused
    bool primitive = true;                   // the generator reaches every non-zero element once
};

// Order 2^m: Modulus is the field polynomial with its x^m term and the
// generator is x. Order prime: Modulus equals Order and Generator is a
// primitive root.
template <unsigned Order, unsigned Modulus, unsigned Generator>
constexpr FieldTables<Order> BuildFieldTables() {
    FieldTables<Order> t{};
    std::array<bool, Order> seen{};
    unsigned x = 1;
    for (unsigned i = 0; i < Order - 1; ++i) {
        if (x == 0 || x >= Order || seen[x]) t.primitive = false;
        if (x != 0 && x < Order) seen[x] = true;
        t.exp[i] = t.exp[i + Order - 1] = static_cast<std::uint16_t>(x);
        if (x < Order) t.log[x] = static_cast<std::uint16_t>(i);
        if constexpr (IsPowerOfTwo(Order)) {
            x <<= 1;
            if (x & Order) x ^= Modulus;
        } else {
            x = x * Generator % Modulus;
        }
    }
    return t;
}

template <unsigned Order, unsigned Modulus, unsigned Generator>
inline constexpr FieldTables<Order> kFieldTables = BuildFieldTables<Order, Modulus, Generator>();

}  // namespace detail

// Elements are 0 .. Order - 1: bit patterns of polynomials for GF(2^m),
// residues for a prime field.
template <unsigned Order, unsigned Modulus, unsigned Generator = 2>
struct GaloisField {
    using Element = std::uint16_t;
    static constexpr unsigned kOrder = Order;
    static constexpr int kPeriod = static_cast<int>(Order) - 1;  // order of the generator
    static constexpr bool kBinary = detail::IsPowerOfTwo(Order);

    static_assert(Order > 2 && Order <= 1024, "elements fit the tables");
    static_assert(kBinary || Modulus == Order, "a prime field reduces by its order");
    static_assert(detail::kFieldTables<Order, Modulus, Generator>.primitive,
                  "the generator is primitive for this modulus");

    static constexpr Element Add(Element a, Element b) {
        if constexpr (kBinary) {
            return static_cast<Element>(a ^ b);
        } else {
            const unsigned s = unsigned{a} + b;
            return static_cast<Element>(s >= Order ? s - Order : s);
        }
    }
    static constexpr Element Negate(Element a) {
        if constexpr (kBinary) {
            return a;
        } else {
            return static_cast<Element>(a == 0 ? 0 : Order - a);
        }
    }
    static constexpr Element Subtract(Element a, Element b) { return Add(a, Negate(b)); }

    // Generator^i for 0 <= i < 2 * kPeriod.
    static constexpr Element Exp(int i) { return Tables().exp[static_cast<std::size_t>(i)]; }
    // Generator^i for any i, negative too.
    static constexpr Element Power(int i) {
        const int r = i % kPeriod;
        return Exp(r < 0 ? r + kPeriod : r);
    }
    // a must not be 0.
    static constexpr int Log(Element a) { return Tables().log[a]; }

    static constexpr Element Multiply(Element a, Element b) {
        if (a == 0 || b == 0) return 0;
        if constexpr (kBinary) {
            return Exp(Log(a) + Log(b));
        } else {
            return static_cast<Element>(unsigned{a} * b % Order);
        }
    }
    // a times generator^logB, 0 <= logB < kPeriod: one table look-up less
    // than Multiply where logB stays the same over many products.
    static constexpr Element MultiplyByPower(Element a, int logB) {
        return a == 0 ? 0 : Exp(Log(a) + logB);
    }
    // b must not be 0.
    static constexpr Element Divide(Element a, Element b) {
        return a == 0 ? 0 : Exp(Log(a) + kPeriod - Log(b));
    }
    // a must not be 0.
    static constexpr Element Inverse(Element a) { return Exp(kPeriod - Log(a)); }
    // The integer k as an element (k >= 0): k ones added.
    static constexpr Element FromInteger(int k) {
        if constexpr (kBinary) {
            return static_cast<Element>(k & 1);
        } else {
            return static_cast<Element>(k % static_cast<int>(Order));
        }
    }

  private:
    static constexpr const detail::FieldTables<Order> &Tables() {
        return detail::kFieldTables<Order, Modulus, Generator>;
    }
};

// x^4 + x + 1: the BCH(15,5) format words of QR Code and Micro QR.
using Gf16 = GaloisField<16, 0x13>;
// x^8 + x^4 + x^3 + x^2 + 1: QR Code and Micro QR codewords.
using Gf256Qr = GaloisField<256, 0x11D>;
// x^8 + x^5 + x^3 + x^2 + 1: DataMatrix ECC 200 codewords.
using Gf256Dm = GaloisField<256, 0x12D>;
// Integers mod 929 with primitive root 3: PDF417 codewords.
using Gf929 = GaloisField<929, 929, 3>;

static_assert(Gf16::Exp(4) == 0x3, "alpha^4 = alpha + 1");
static_assert(Gf256Qr::Exp(8) == 0x1D && Gf256Dm::Exp(8) == 0x2D, "alpha^8 reduces by the polynomial");
static_assert(Gf929::Exp(1) == 3 && Gf929::Multiply(Gf929::Inverse(500), 500) == 1, "GF(929) inverse");
static_assert(Gf256Qr::Multiply(Gf256Qr::Inverse(0x53), 0x53) == 1, "GF(256) inverse");

}  // namespace zr::rs
