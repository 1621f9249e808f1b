// Errors-and-erasures decoding: syndromes, the locator by Berlekamp-Massey
// started from the erasure locator, its roots by Chien search inside the
// block, the values by Forney's formula, and a last check that the
// corrections cancel every syndrome. Nothing is written before that check.
#include "core/rs/reed_solomon.hpp"

#include <algorithm>
#include <array>

namespace zr::rs {

namespace {

// Coefficient i of x^i; a locator has at most kMaxCheckCount roots.
using Poly = std::array<std::uint16_t, kMaxCheckCount + 1>;
using Powers = std::array<int, kMaxCheckCount>;

template <class F>
bool ShapeFits(const typename F::Element *block, const CodeShape &s, const int *erasures, int erasureCount) {
    if (block == nullptr || s.length < 1 || s.length > std::min(kMaxBlockLength, F::kPeriod)) return false;
    if (s.checkCount < 1 || s.checkCount > s.length || s.checkCount > kMaxCheckCount) return false;
    if (s.firstRoot < 0 || s.spareChecks < 0 || s.spareChecks > s.checkCount) return false;
    if (erasureCount < 0 || erasureCount > s.checkCount || (erasureCount > 0 && erasures == nullptr))
        return false;
    for (int i = 0; i < s.length; ++i)
        if (block[i] >= F::kOrder) return false;
    std::array<bool, kMaxBlockLength> erased{};
    for (int k = 0; k < erasureCount; ++k) {
        const int at = erasures[k];
        if (at < 0 || at >= s.length || erased[static_cast<std::size_t>(at)]) return false;
        erased[static_cast<std::size_t>(at)] = true;
    }
    return true;
}

// Logarithms with one for zero as well, and powers of the generator written
// out to three periods with zeros in the third: the log of zero plus any
// power below the period indexes a zero, so multiplying a running value by a
// power tests nothing. Elsewhere the same products as MultiplyByPower.
template <class F>
struct ZeroSafeTables {
    static constexpr int kZeroLog = 2 * F::kPeriod;
    std::array<int, F::kOrder> log{};
    std::array<typename F::Element, 3 * static_cast<std::size_t>(F::kPeriod)> exp{};
};

template <class F>
constexpr ZeroSafeTables<F> BuildZeroSafeTables() {
    ZeroSafeTables<F> t{};
    t.log[0] = ZeroSafeTables<F>::kZeroLog;
    for (unsigned a = 1; a < F::kOrder; ++a) t.log[a] = F::Log(static_cast<typename F::Element>(a));
    for (int i = 0; i < 2 * F::kPeriod; ++i) t.exp[static_cast<std::size_t>(i)] = F::Exp(i);
    return t;
}

template <class F>
inline constexpr ZeroSafeTables<F> kZeroSafeTables = BuildZeroSafeTables<F>();

// S_j = block(alpha^(firstRoot + j)) by Horner's rule; true when any is
// non-zero. Four chains at a time run side by side with their running
// values in registers: independent chains keep the table loads of one step
// from waiting on another, and nothing is stored per step.
template <class F>
bool Syndromes(const typename F::Element *block, const CodeShape &s, Poly &syndromes) {
    using Element = typename F::Element;
    const ZeroSafeTables<F> &t = kZeroSafeTables<F>;
    const auto times = [&t](unsigned v, int logPower) -> unsigned {
        return t.exp[static_cast<std::size_t>(t.log[v] + logPower)];
    };
    constexpr int kChains = 4;
    const int count = s.checkCount;
    const auto logX = [&s](int j) { return (s.firstRoot + j) % F::kPeriod; };
    int j = 0;
    for (; j + kChains <= count; j += kChains) {
        const int l0 = logX(j), l1 = logX(j + 1), l2 = logX(j + 2), l3 = logX(j + 3);
        unsigned v0 = 0, v1 = 0, v2 = 0, v3 = 0;
        for (int i = 0; i < s.length; ++i) {
            const Element b = block[i];
            v0 = F::Add(static_cast<Element>(times(v0, l0)), b);
            v1 = F::Add(static_cast<Element>(times(v1, l1)), b);
            v2 = F::Add(static_cast<Element>(times(v2, l2)), b);
            v3 = F::Add(static_cast<Element>(times(v3, l3)), b);
        }
        syndromes[static_cast<std::size_t>(j)] = static_cast<Element>(v0);
        syndromes[static_cast<std::size_t>(j + 1)] = static_cast<Element>(v1);
        syndromes[static_cast<std::size_t>(j + 2)] = static_cast<Element>(v2);
        syndromes[static_cast<std::size_t>(j + 3)] = static_cast<Element>(v3);
    }
    for (; j < count; ++j) {
        const int l = logX(j);
        unsigned v = 0;
        for (int i = 0; i < s.length; ++i) v = F::Add(static_cast<Element>(times(v, l)), block[i]);
        syndromes[static_cast<std::size_t>(j)] = static_cast<Element>(v);
    }
    return std::any_of(syndromes.begin(), syndromes.begin() + count, [](Element v) { return v != 0; });
}

// Multiplies the polynomial of the given degree by (1 - X x).
template <class F>
void MultiplyByRootFactor(Poly &p, int degree, typename F::Element x) {
    for (int i = degree + 1; i >= 1; --i)
        p[static_cast<std::size_t>(i)] =
            F::Subtract(p[static_cast<std::size_t>(i)], F::Multiply(x, p[static_cast<std::size_t>(i - 1)]));
}

// Berlekamp-Massey from the erasure locator (degree f = erasureCount, already
// in `locator`) over the syndromes f .. checkCount-1. Returns the locator's
// length, or the first length beyond 2e + f <= budget.
template <class F>
int GrowLocator(const Poly &syndromes, int checkCount, int erasureCount, int budget, Poly &locator) {
    Poly previous = locator, saved{};
    int length = erasureCount, shift = 1;
    typename F::Element lastDiscrepancy = 1;
    for (int r = erasureCount; r < checkCount; ++r) {
        typename F::Element d = syndromes[static_cast<std::size_t>(r)];
        for (int i = 1; i <= length; ++i)
            d = F::Add(d, F::Multiply(locator[static_cast<std::size_t>(i)],
                                      syndromes[static_cast<std::size_t>(r - i)]));
        if (d == 0) {
            ++shift;
            continue;
        }
        const typename F::Element factor = F::Divide(d, lastDiscrepancy);
        const bool grow = 2 * length <= r + erasureCount;
        if (grow) saved = locator;
        for (int i = 0; i + shift <= checkCount; ++i)
            locator[static_cast<std::size_t>(i + shift)] =
                F::Subtract(locator[static_cast<std::size_t>(i + shift)],
                            F::Multiply(factor, previous[static_cast<std::size_t>(i)]));
        if (!grow) {
            ++shift;
            continue;
        }
        length = r + 1 + erasureCount - length;
        if (2 * length - erasureCount > budget) return length;
        previous = saved;
        lastDiscrepancy = d;
        shift = 1;
    }
    return length;
}

// Powers p (symbol n-1-p) where locator(alpha^-p) = 0, for p < n, up to
// `degree` of them. Term j of the sum steps by alpha^-j from one p to the next.
template <class F>
int FindRoots(const Poly &locator, int degree, int n, Powers &powers) {
    std::array<int, kMaxCheckCount + 1> logTerm{};
    for (int j = 1; j <= degree; ++j) {
        const auto c = locator[static_cast<std::size_t>(j)];
        logTerm[static_cast<std::size_t>(j)] = c == 0 ? -1 : F::Log(c);
    }
    int found = 0;
    for (int p = 0; p < n && found < degree; ++p) {
        typename F::Element sum = locator[0];
        for (int j = 1; j <= degree; ++j) {
            int &t = logTerm[static_cast<std::size_t>(j)];
            if (t < 0) continue;
            sum = F::Add(sum, F::Exp(t));
            t -= j;
            if (t < 0) t += F::kPeriod;
        }
        if (sum == 0) powers[static_cast<std::size_t>(found++)] = p;
    }
    return found;
}

template <class F>
typename F::Element Evaluate(const Poly &p, int degree, typename F::Element x) {
    typename F::Element v = 0;
    for (int i = degree; i >= 0; --i) v = F::Add(F::Multiply(v, x), p[static_cast<std::size_t>(i)]);
    return v;
}

// Forney: Y = -X^(1 - firstRoot) omega(X^-1) / locator'(X^-1) at X = alpha^p,
// omega = syndromes * locator mod x^degree. False when a value cannot be.
template <class F>
bool ErrorValues(const Poly &syndromes, const Poly &locator, int degree, const Powers &powers,
                 const CodeShape &s, Poly &values) {
    Poly omega{}, derivative{};
    for (int i = 0; i < degree; ++i)
        for (int j = 0; j <= i; ++j)
            omega[static_cast<std::size_t>(i)] = F::Add(
                omega[static_cast<std::size_t>(i)], F::Multiply(locator[static_cast<std::size_t>(j)],
                                                                syndromes[static_cast<std::size_t>(i - j)]));
    for (int j = 1; j <= degree; ++j)
        derivative[static_cast<std::size_t>(j - 1)] =
            F::Multiply(F::FromInteger(j), locator[static_cast<std::size_t>(j)]);
    for (int k = 0; k < degree; ++k) {
        const int p = powers[static_cast<std::size_t>(k)];
        const typename F::Element xInverse = F::Power(-p);
        const typename F::Element slope = Evaluate<F>(derivative, degree - 1, xInverse);
        if (slope == 0) return false;
        const typename F::Element value = F::Negate(F::Multiply(
            F::Power(p * (1 - s.firstRoot)), F::Divide(Evaluate<F>(omega, degree - 1, xInverse), slope)));
        if (s.binary && value > 1) return false;
        values[static_cast<std::size_t>(k)] = value;
    }
    return true;
}

// True when the error pattern has exactly the block's syndromes.
template <class F>
bool Cancels(const Poly &syndromes, const Powers &powers, const Poly &values, int count, const CodeShape &s) {
    Poly sum{};
    for (int k = 0; k < count; ++k) {
        const int p = powers[static_cast<std::size_t>(k)];
        const typename F::Element x = F::Power(p);
        typename F::Element term =
            F::Multiply(values[static_cast<std::size_t>(k)], F::Power(p * s.firstRoot));
        for (int j = 0; j < s.checkCount; ++j) {
            sum[static_cast<std::size_t>(j)] = F::Add(sum[static_cast<std::size_t>(j)], term);
            term = F::Multiply(term, x);
        }
    }
    return std::equal(sum.begin(), sum.begin() + s.checkCount, syndromes.begin());
}

}  // namespace

template <class Field>
Outcome Decode(typename Field::Element *block, const CodeShape &shape, const int *erasures,
               int erasureCount) {
    Outcome out;
    if (!ShapeFits<Field>(block, shape, erasures, erasureCount)) return out;
    Poly syndromes{};
    if (!Syndromes<Field>(block, shape, syndromes)) {
        out.verdict = Verdict::kClean;
        return out;
    }
    const int budget = shape.checkCount - shape.spareChecks;
    Poly locator{};
    locator[0] = 1;
    for (int k = 0; k < erasureCount; ++k)
        MultiplyByRootFactor<Field>(locator, k, Field::Power(shape.length - 1 - erasures[k]));
    const int degree = erasureCount > budget
                           ? erasureCount
                           : GrowLocator<Field>(syndromes, shape.checkCount, erasureCount, budget, locator);
    out.locatorDegree = static_cast<std::uint16_t>(degree);
    if (2 * degree - erasureCount > budget) {
        out.verdict = Verdict::kTooManyErrors;
        return out;
    }

    Powers powers{};
    const int found = FindRoots<Field>(locator, degree, shape.length, powers);
    out.rootsFound = static_cast<std::uint16_t>(found);
    if (found != degree) {
        out.verdict = Verdict::kRootsMissing;
        return out;
    }
    Poly values{};
    if (!ErrorValues<Field>(syndromes, locator, degree, powers, shape, values) ||
        !Cancels<Field>(syndromes, powers, values, degree, shape)) {
        out.verdict = Verdict::kNotACodeword;
        return out;
    }
    for (int k = 0; k < degree; ++k) {
        const auto value = values[static_cast<std::size_t>(k)];
        if (value == 0) continue;  // an erased symbol that was right
        auto &symbol = block[shape.length - 1 - powers[static_cast<std::size_t>(k)]];
        symbol = Field::Subtract(symbol, value);
        ++out.corrected;
    }
    out.verdict = Verdict::kCorrected;
    return out;
}

template <class Field>
bool ComputeCheckSymbols(const typename Field::Element *data, int dataCount, int checkCount, int firstRoot,
                         typename Field::Element *check) {
    if (data == nullptr || check == nullptr || dataCount < 0 || checkCount < 1 ||
        checkCount > kMaxCheckCount || firstRoot < 0)
        return false;
    Poly generator{};
    generator[0] = 1;
    for (int i = 0; i < checkCount; ++i)
        MultiplyByRootFactor<Field>(generator, i, Field::Power(firstRoot + i));
    // The product of the (1 - X x) is x^checkCount g(1/x): its coefficient i
    // is g's coefficient of x^(checkCount - i), highest power first as the division wants.
    std::fill(check, check + checkCount, typename Field::Element{0});
    for (int d = 0; d < dataCount; ++d) {
        if (data[d] >= Field::kOrder) return false;
        const typename Field::Element feedback = Field::Add(data[d], check[0]);
        for (int j = 0; j < checkCount; ++j) {
            const typename Field::Element next = j + 1 < checkCount ? check[j + 1] : 0;
            check[j] =
                Field::Subtract(next, Field::Multiply(feedback, generator[static_cast<std::size_t>(j + 1)]));
        }
    }
    for (int j = 0; j < checkCount; ++j) check[j] = Field::Negate(check[j]);
    return true;
}

#define ZR_RS_INSTANTIATE(F)                                                       \
    template Outcome Decode<F>(F::Element *, const CodeShape &, const int *, int); \
    template bool ComputeCheckSymbols<F>(const F::Element *, int, int, int, F::Element *);
ZR_RS_INSTANTIATE(Gf16)
ZR_RS_INSTANTIATE(Gf256Qr)
ZR_RS_INSTANTIATE(Gf256Dm)
ZR_RS_INSTANTIATE(Gf929)
#undef ZR_RS_INSTANTIATE

}  // namespace zr::rs
