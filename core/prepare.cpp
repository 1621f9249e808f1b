#include "core/prepare.hpp"

#include <array>
#include <memory>
#include <new>

#include "core/dib_header.hpp"
#include "core/geom/geom.hpp"
#include "core/image.hpp"
#include "core/prepare_frame.hpp"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zr {
namespace prepare {

void PackDarkScalar(const std::uint8_t *grey, std::uint32_t count, std::uint8_t threshold,
                    std::uint8_t *out) {
    for (std::uint32_t k = 0; k < count / 8; ++k, grey += 8) {
        unsigned dark = 0;
        for (int j = 0; j < 8; ++j) dark = (dark << 1) | (grey[j] < threshold ? 1u : 0u);
        out[k] = static_cast<std::uint8_t>(dark);
    }
}

#if defined(__SSE2__)
namespace {

// Sixteen pixels against the threshold: SSE2 compares signed bytes, so both
// sides are shifted by 128. Each dark pixel's byte becomes its weight in the
// output byte (the first pixel of eight weighs 128, the last 1), and psadbw
// adds each half's eight weights: the two packed bytes, one in the low word of
// each 64-bit half, already in the output's bit order.
struct DarkPacker {
    __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
    __m128i limit;
    __m128i weights = _mm_setr_epi8(-128, 64, 32, 16, 8, 4, 2, 1, -128, 64, 32, 16, 8, 4, 2, 1);
    __m128i zero = _mm_setzero_si128();

    explicit DarkPacker(std::uint8_t threshold)
        : limit(_mm_xor_si128(_mm_set1_epi8(static_cast<char>(threshold)), bias)) {}

    __m128i Sums(const std::uint8_t *grey) const {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i *>(grey));
        const __m128i dark = _mm_cmplt_epi8(_mm_xor_si128(pixels, bias), limit);
        return _mm_sad_epu8(_mm_and_si128(dark, weights), zero);
    }
};

}  // namespace
#endif

void PackDark(const std::uint8_t *grey, std::uint32_t count, std::uint8_t threshold, std::uint8_t *out) {
    std::uint32_t done = 0;
#if defined(__SSE2__)
    const DarkPacker packer(threshold);
    // Sixty-four pixels a step: the four sums hold bytes 0 .. 7 in their low
    // words, each at most 255, so two signed packs to 32-bit lanes and then
    // to 16 bits keep them, and the unsigned pack lines them up in order.
    for (; done + 64 <= count; done += 64) {
        const __m128i s0 = packer.Sums(grey + done), s1 = packer.Sums(grey + done + 16);
        const __m128i s2 = packer.Sums(grey + done + 32), s3 = packer.Sums(grey + done + 48);
        const __m128i words = _mm_packs_epi32(_mm_packs_epi32(s0, s1), _mm_packs_epi32(s2, s3));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + done / 8), _mm_packus_epi16(words, words));
    }
    for (; done + 16 <= count; done += 16) {
        const __m128i sums = packer.Sums(grey + done);
        out[done / 8] = static_cast<std::uint8_t>(_mm_cvtsi128_si32(sums));
        out[done / 8 + 1] = static_cast<std::uint8_t>(_mm_extract_epi16(sums, 4));
    }
#endif
    PackDarkScalar(grey + done, count - done, threshold, out + done / 8);
}

}  // namespace prepare

namespace {

std::uint8_t *StoredRow(const ZrImage &image, std::uint32_t r) {
    return static_cast<std::uint8_t *>(image.bits) + static_cast<std::ptrdiff_t>(r) * image.pitch;
}

// Writes one bi-level row from its grey levels, keeping the light padding
// bits of the last byte as the blank picture has them.
void BinariseRow(const std::uint8_t *grey, std::uint32_t width, std::uint8_t threshold, std::uint8_t flip,
                 std::uint8_t *row) {
    const std::uint32_t whole = width / 8;
    prepare::PackDark(grey, whole * 8, threshold, row);
    if (flip != 0)
        for (std::uint32_t k = 0; k < whole; ++k) row[k] = static_cast<std::uint8_t>(~row[k]);
    const std::uint32_t rest = width % 8;
    if (rest == 0) return;
    unsigned dark = 0;
    for (std::uint32_t j = 0; j < rest; ++j) dark = (dark << 1) | (grey[whole * 8 + j] < threshold ? 1u : 0u);
    dark <<= 8 - rest;
    const unsigned padding = 0xFFu >> rest;
    row[whole] = static_cast<std::uint8_t>((row[whole] & padding) | ((dark ^ flip) & ~padding));
}

struct Source {
    const std::uint8_t *palette;
    const std::uint8_t *bits;
    std::int32_t pitch;
    const std::uint8_t *Row(std::uint32_t r) const { return bits + static_cast<std::ptrdiff_t>(r) * pitch; }
};

// Histogram of palette indices, mapped once through the palette's grey
// levels (PaletteGrey: weighted as 24-bit pixels are).
Histogram IndexedHistogram(const Source &source, std::uint32_t width, std::uint32_t height,
                           const std::array<std::uint8_t, 256> &levels) {
    std::array<Histogram, 4> part{};
    for (std::uint32_t r = 0; r < height; ++r) {
        const std::uint8_t *s = source.Row(r);
        const std::uint8_t *const end = s + width;
        // Four partial counts keep runs of one level from serialising on one
        // counter; sixteen pixels a step keep the loop's own count small
        // beside the two instructions a pixel takes.
        for (const std::uint8_t *const last16 = s + (width & ~15u); s != last16; s += 16) {
#pragma GCC unroll 16
            for (int k = 0; k < 16; ++k) ++part[k & 3][s[k]];
        }
        for (; s < end; ++s) ++part[0][*s];
    }
    Histogram histogram{};
    for (unsigned i = 0; i < 256; ++i)
        histogram[levels[i]] += part[0][i] + part[1][i] + part[2][i] + part[3][i];
    return histogram;
}

std::uint16_t IndexedToBiLevel(const Source &source, ZrImage &target) {
    std::array<std::uint8_t, 256> levels{};
    bool identity = true;
    for (unsigned i = 0; i < 256; ++i) {
        levels[i] = PaletteGrey(source.palette, i);
        identity = identity && levels[i] == i;
    }
    const Histogram histogram = IndexedHistogram(source, target.width, target.height, levels);
    const std::uint8_t threshold = IterativeThreshold(histogram);
    const std::uint8_t flip = target.polarity != 0 ? 0xFF : 0x00;
    // A grey palette compares the indices themselves; any other maps each row first.
    std::unique_ptr<std::uint8_t[]> mapped;
    if (!identity) {
        mapped.reset(new (std::nothrow) std::uint8_t[target.width]);
        if (!mapped) return ZR_ERR_NO_MEMORY;
    }
    for (std::uint32_t r = 0; r < target.height; ++r) {
        const std::uint8_t *grey = source.Row(r);
        if (!identity) {
            for (std::uint32_t x = 0; x < target.width; ++x) mapped[x] = levels[grey[x]];
            grey = mapped.get();
        }
        BinariseRow(grey, target.width, threshold, flip, StoredRow(target, r));
    }
    return ZR_OK;
}

std::uint16_t ColourToBiLevel(const Source &source, ZrImage &target, std::vector<std::uint8_t> *keepGrey) {
    const std::size_t pixels = static_cast<std::size_t>(target.width) * target.height;
    // The levels go straight into the caller's vector when it wants them kept.
    std::uint8_t *grey = nullptr;
    if (keepGrey != nullptr) {
        try {
            keepGrey->resize(pixels);
            grey = keepGrey->data();
        } catch (const std::bad_alloc &) {
            keepGrey->clear();
            return ZR_ERR_NO_MEMORY;
        }
    }
    std::unique_ptr<std::uint8_t[]> owned;
    if (grey == nullptr) {
        owned.reset(new (std::nothrow) std::uint8_t[pixels]);
        if (!owned) return ZR_ERR_NO_MEMORY;
        grey = owned.get();
    }
    prepare::HistogramPair counts{};
    for (std::uint32_t r = 0; r < target.height; ++r)
        prepare::BgrRowToGrey(source.Row(r), target.width, grey + std::size_t{r} * target.width,
                              counts);
    Histogram histogram{};
    for (std::size_t i = 0; i < histogram.size(); ++i) histogram[i] = counts[0][i] + counts[1][i];
    const std::uint8_t threshold = IterativeThreshold(histogram);
    const std::uint8_t flip = target.polarity != 0 ? 0xFF : 0x00;
    for (std::uint32_t r = 0; r < target.height; ++r)
        BinariseRow(grey + std::size_t{r} * target.width, target.width, threshold, flip,
                    StoredRow(target, r));
    return ZR_OK;
}

}  // namespace

std::uint16_t DibToBiLevel(ZrImage *image, const void *dib) {
    return DibToBiLevel(image, dib, nullptr);
}

std::uint16_t DibToBiLevel(ZrImage *image, const void *dib, std::vector<std::uint8_t> *keepGrey) {
    if (keepGrey != nullptr) keepGrey->clear();
    return PrepareBiLevel(
        image, dib,
        [keepGrey](const std::uint8_t *palette, std::int32_t pitch, std::uint16_t bitCount, ZrImage &target) {
            const std::uint32_t paletteBytes = bitCount == 8 ? 256 * 4 : 0;
            const Source source{palette, palette + paletteBytes, pitch};
            return bitCount == 8 ? IndexedToBiLevel(source, target) : ColourToBiLevel(source, target, keepGrey);
        });
}

}  // namespace zr
