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

// Two bytes of each of eight pixels, from the two vectors holding them.
__attribute__((target("ssse3"))) inline __m128i Gather(__m128i first, __m128i second, __m128i fromFirst,
                                                       __m128i fromSecond) {
    return _mm_or_si128(_mm_shuffle_epi8(first, fromFirst), _mm_shuffle_epi8(second, fromSecond));
}

// Levels of eight pixels from their blue-green pairs and their red-and-50
// pairs: pmaddubsw forms 11 B + 59 G and 30 R + 50 in 16-bit lanes (at most
// 17850 and 7700: no saturation), so the sum is the exact 100 times the level
// plus 50. `ties` gets the lanes whose weighted sum ends in exactly .5.
__attribute__((target("ssse3"))) inline __m128i Levels8(__m128i blueGreen, __m128i redHalf, __m128i &ties) {
    const __m128i blueGreenWeights = _mm_set1_epi16(59 << 8 | 11);  // 11 for the low byte, 59 for the high
    const __m128i redHalfWeights = _mm_set1_epi16(1 << 8 | 30);
    const __m128i halfUp = _mm_add_epi16(_mm_maddubs_epi16(blueGreen, blueGreenWeights),
                                         _mm_maddubs_epi16(redHalf, redHalfWeights));
    // halfUp / 100 for halfUp <= 25550: (halfUp * 41944) >> 22.
    const __m128i level =
        _mm_srli_epi16(_mm_mulhi_epu16(halfUp, _mm_set1_epi16(static_cast<short>(41944))), 6);
    ties = _mm_cmpeq_epi16(_mm_mullo_epi16(level, _mm_set1_epi16(100)), halfUp);
    return level;
}

}  // namespace

__attribute__((target("ssse3"))) void BgrRowToGreySsse3(const std::uint8_t *bgr, std::uint32_t n,
                                                        std::uint8_t *grey, HistogramPair &counts) {
    // Sixteen pixels are the 48 bytes v0, v1, v2; pixel i's blue is byte 3i.
    // Pixels 0 .. 7 lie in v0 and v1, pixels 8 .. 15 in v1 and v2. Blue-green
    // pairs, and red with a zero byte that the constant 50 fills.
    const __m128i blueGreenLow0 = _mm_setr_epi8(0, 1, 3, 4, 6, 7, 9, 10, 12, 13, 15, -1, -1, -1, -1, -1);
    const __m128i blueGreenLow1 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 2, 3, 5, 6);
    const __m128i redLow0 = _mm_setr_epi8(2, -1, 5, -1, 8, -1, 11, -1, 14, -1, -1, -1, -1, -1, -1, -1);
    const __m128i redLow1 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1, -1, 4, -1, 7, -1);
    const __m128i blueGreenHigh1 =
        _mm_setr_epi8(8, 9, 11, 12, 14, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i blueGreenHigh2 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, 1, 2, 4, 5, 7, 8, 10, 11, 13, 14);
    const __m128i redHigh1 = _mm_setr_epi8(10, -1, 13, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i redHigh2 = _mm_setr_epi8(-1, -1, -1, -1, 0, -1, 3, -1, 6, -1, 9, -1, 12, -1, 15, -1);
    const __m128i half = _mm_set1_epi16(50 << 8);  // 50 in each pair's high byte

    std::uint32_t x = 0;
    for (; x + 16 <= n; x += 16, bgr += 48) {
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bgr));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bgr + 16));
        const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bgr + 32));
        __m128i tiesLow, tiesHigh;
        const __m128i low = Levels8(Gather(v0, v1, blueGreenLow0, blueGreenLow1),
                                    _mm_or_si128(Gather(v0, v1, redLow0, redLow1), half), tiesLow);
        const __m128i high = Levels8(Gather(v1, v2, blueGreenHigh1, blueGreenHigh2),
                                     _mm_or_si128(Gather(v1, v2, redHigh1, redHigh2), half), tiesHigh);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(grey + x), _mm_packus_epi16(low, high));
        auto ties = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(tiesLow, tiesHigh)));
        while (ties != 0) {
            const int k = __builtin_ctz(ties);
            ties &= ties - 1;
            const std::uint8_t *p = bgr + 3 * k;
            grey[x + static_cast<std::uint32_t>(k)] = TieLevel(p[0], p[1], p[2]);
        }
        // Unrolled at every optimisation level: the loop's own count would
        // otherwise sit in the chain of increments. A pointer to the sixteen
        // levels lets each be read at a fixed offset (an unsigned index
        // x + k may wrap, so it is computed for every pixel).
        const std::uint8_t *const levels = grey + x;
#pragma GCC unroll 8
        for (int k = 0; k < 16; k += 2) {
            ++counts[0][levels[k]];
            ++counts[1][levels[k + 1]];
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
