// Grey levels of 24-bit pixels, exactly as 0.11 B + 0.59 G + 0.30 R + 0.5
// truncated in double arithmetic, computed in integers: one pixel at a time,
// or sixteen at a time with SSSE3 where the processor has it.
#include <array>

#include "core/geom/geom.hpp"
#include "core/prepare.hpp"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZR_HAVE_SSSE3_PATH 1
#endif

namespace zr::prepare {

namespace {

// 100 times the level plus 50, and the rounded level: the exact quotient.
// Only when the weighted sum ends in exactly .5 can the double formula's
// representation error round either way: those ties (about one pixel in a
// hundred) take the double formula itself.
inline unsigned HalfUpSum(unsigned b, unsigned g, unsigned r) {
    return 11u * b + 59u * g + 30u * r + 50u;
}
inline unsigned LevelOf(unsigned halfUp) {
    return (halfUp * 5243u) >> 19;
}  // halfUp / 100 below 43699
inline std::uint8_t TieLevel(unsigned b, unsigned g, unsigned r) {
    return static_cast<std::uint8_t>(geom::RoundHalfUp(0.11 * b + 0.59 * g + 0.30 * r));
}

}  // namespace

std::uint8_t GreyOfBgr(std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    const unsigned halfUp = HalfUpSum(b, g, r);
    const unsigned level = LevelOf(halfUp);
    if (__builtin_expect(level * 100u == halfUp, 0)) return TieLevel(b, g, r);
    return static_cast<std::uint8_t>(level);
}

void BgrRowToGreyScalar(const std::uint8_t *bgr, std::uint32_t n, std::uint8_t *grey, HistogramPair &counts) {
    std::uint32_t x = 0;
    for (; x + 2 <= n; x += 2, bgr += 6) {
        const std::uint8_t first = GreyOfBgr(bgr[0], bgr[1], bgr[2]);
        const std::uint8_t second = GreyOfBgr(bgr[3], bgr[4], bgr[5]);
        grey[x] = first;
        grey[x + 1] = second;
        ++counts[0][first];
        ++counts[1][second];
    }
    if (x < n) {
        grey[x] = GreyOfBgr(bgr[0], bgr[1], bgr[2]);
        ++counts[0][grey[x]];
    }
}

#if defined(ZR_HAVE_SSSE3_PATH)

bool HasSsse3() {
    return __builtin_cpu_supports("ssse3");
}

namespace {

// One colour's sixteen bytes out of three vectors of packed B, G, R triples.
__attribute__((target("ssse3"))) inline __m128i Channel(__m128i v0, __m128i v1, __m128i v2, __m128i m0,
                                                        __m128i m1, __m128i m2) {
    return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(v0, m0), _mm_shuffle_epi8(v1, m1)),
                        _mm_shuffle_epi8(v2, m2));
}

// Levels of eight pixels from their 16-bit channel values; `ties` gets the
// lanes whose weighted sum ends in exactly .5.
__attribute__((target("ssse3"))) inline __m128i Levels8(__m128i b, __m128i g, __m128i r, __m128i &ties) {
    const __m128i halfUp = _mm_add_epi16(
        _mm_add_epi16(_mm_mullo_epi16(b, _mm_set1_epi16(11)), _mm_mullo_epi16(g, _mm_set1_epi16(59))),
        _mm_add_epi16(_mm_mullo_epi16(r, _mm_set1_epi16(30)), _mm_set1_epi16(50)));
    // halfUp / 100 for halfUp <= 25550: (halfUp * 41944) >> 22.
    const __m128i level =
        _mm_srli_epi16(_mm_mulhi_epu16(halfUp, _mm_set1_epi16(static_cast<short>(41944))), 6);
    ties = _mm_cmpeq_epi16(_mm_mullo_epi16(level, _mm_set1_epi16(100)), halfUp);
    return level;
}

}  // namespace

__attribute__((target("ssse3"))) void BgrRowToGreySsse3(const std::uint8_t *bgr, std::uint32_t n,
                                                        std::uint8_t *grey, HistogramPair &counts) {
    const __m128i b0 = _mm_setr_epi8(0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i b1 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, 2, 5, 8, 11, 14, -1, -1, -1, -1, -1);
    const __m128i b2 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1, 4, 7, 10, 13);
    const __m128i g0 = _mm_setr_epi8(1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i g1 = _mm_setr_epi8(-1, -1, -1, -1, -1, 0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1);
    const __m128i g2 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 2, 5, 8, 11, 14);
    const __m128i r0 = _mm_setr_epi8(2, 5, 8, 11, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i r1 = _mm_setr_epi8(-1, -1, -1, -1, -1, 1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1);
    const __m128i r2 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 3, 6, 9, 12, 15);
    const __m128i zero = _mm_setzero_si128();

    std::uint32_t x = 0;
    for (; x + 16 <= n; x += 16, bgr += 48) {
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bgr));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bgr + 16));
        const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bgr + 32));
        const __m128i b = Channel(v0, v1, v2, b0, b1, b2);
        const __m128i g = Channel(v0, v1, v2, g0, g1, g2);
        const __m128i r = Channel(v0, v1, v2, r0, r1, r2);
        __m128i tiesLow, tiesHigh;
        const __m128i low = Levels8(_mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi8(g, zero),
                                    _mm_unpacklo_epi8(r, zero), tiesLow);
        const __m128i high = Levels8(_mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(g, zero),
                                     _mm_unpackhi_epi8(r, zero), tiesHigh);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(grey + x), _mm_packus_epi16(low, high));
        auto ties = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(tiesLow, tiesHigh)));
        while (ties != 0) {
            const int k = __builtin_ctz(ties);
            ties &= ties - 1;
            const std::uint8_t *p = bgr + 3 * k;
            grey[x + static_cast<std::uint32_t>(k)] = TieLevel(p[0], p[1], p[2]);
        }
        // Unrolled at every optimisation level: the loop's own count would
        // otherwise sit in the chain of increments.
#pragma GCC unroll 8
        for (std::uint32_t k = 0; k < 16; k += 2) {
            ++counts[0][grey[x + k]];
            ++counts[1][grey[x + k + 1]];
        }
    }
    BgrRowToGreyScalar(bgr, n - x, grey + x, counts);
}

#else

bool HasSsse3() {
    return false;
}
void BgrRowToGreySsse3(const std::uint8_t *bgr, std::uint32_t n, std::uint8_t *grey, HistogramPair &counts) {
    BgrRowToGreyScalar(bgr, n, grey, counts);
}

#endif

void BgrRowToGrey(const std::uint8_t *bgr, std::uint32_t n, std::uint8_t *grey, HistogramPair &counts) {
    if (HasSsse3()) {
        BgrRowToGreySsse3(bgr, n, grey, counts);
    } else {
        BgrRowToGreyScalar(bgr, n, grey, counts);
    }
}

}  // namespace zr::prepare
