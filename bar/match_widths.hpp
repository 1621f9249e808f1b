// Whether nine element widths match nine others within a tolerance, as the
// line search compares a probe with the lines beside it. Every pair is
// compared without a branch: in a busy picture an early exit would be a
// coin toss. SSE2 compares eight pairs at once; the scalar form is the
// reference and the path elsewhere.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zr::bar {

constexpr int kProbeElements = 9;
constexpr int kElementTolerance = 2;
using ProbeWidths = std::array<std::uint16_t, kProbeElements>;

// Total difference of the nine widths from the reference's when each
// differs by at most the tolerance; -1 otherwise.
inline int MatchWidthsScalar(const std::uint16_t *widths, const ProbeWidths &reference) {
    int total = 0;
    int beyond = 0;
    for (int i = 0; i < kProbeElements; ++i) {
        const int d = std::abs(int{widths[i]} - int{reference[static_cast<std::size_t>(i)]});
        beyond |= d > kElementTolerance ? 1 : 0;
        total += d;
    }
    return beyond ? -1 : total;
}

inline int MatchWidths(const std::uint16_t *widths, const ProbeWidths &reference) {
#if defined(__SSE2__)
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(widths));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(reference.data()));
    const __m128i diff = _mm_or_si128(_mm_subs_epu16(a, b), _mm_subs_epu16(b, a));
    const __m128i over = _mm_subs_epu16(diff, _mm_set1_epi16(kElementTolerance));
    const int last = std::abs(int{widths[8]} - int{reference[8]});
    const bool within =
        _mm_movemask_epi8(_mm_cmpeq_epi16(over, _mm_setzero_si128())) == 0xFFFF && last <= kElementTolerance;
    // Within the tolerance every difference fits a byte: one sum of absolute differences adds them.
    const __m128i bytes = _mm_packus_epi16(diff, _mm_setzero_si128());
    const int total = _mm_cvtsi128_si32(_mm_sad_epu8(bytes, _mm_setzero_si128())) + last;
    return within ? total : -1;
#else
    return MatchWidthsScalar(widths, reference);
#endif
}

}  // namespace zr::bar
