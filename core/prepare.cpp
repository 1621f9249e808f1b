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
namespace {

constexpr std::array<std::uint8_t, 256> MakeBitReversal() {
    std::array<std::uint8_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned r = 0;
        for (int b = 0; b < 8; ++b) r |= ((i >> b) & 1u) << (7 - b);
        table[i] = static_cast<std::uint8_t>(r);
    }
    return table;
}
constexpr std::array<std::uint8_t, 256> kBitReversal = MakeBitReversal();

}  // namespace

void PackDarkScalar(const std::uint8_t *grey, std::uint32_t count, std::uint8_t threshold,
                    std::uint8_t *out) {
    for (std::uint32_t k = 0; k < count / 8; ++k, grey += 8) {
        unsigned dark = 0;
        for (int j = 0; j < 8; ++j) dark = (dark << 1) | (grey[j] < threshold ? 1u : 0u);
        out[k] = static_cast<std::uint8_t>(dark);
    }
}

void PackDark(const std::uint8_t *grey, std::uint32_t count, std::uint8_t threshold, std::uint8_t *out) {
    std::uint32_t done = 0;
#if defined(__SSE2__)
    // Sixteen pixels per compare: SSE2 compares signed bytes, so both sides
    // are shifted by 128; movemask puts pixel i in bit i, and the output wants
    // the first pixel in the most significant bit.
    const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i limit = _mm_xor_si128(_mm_set1_epi8(static_cast<char>(threshold)), bias);
    for (; done + 16 <= count; done += 16) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i *>(grey + done));
        const __m128i dark = _mm_cmplt_epi8(_mm_xor_si128(pixels, bias), limit);
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(dark));
        out[done / 8] = kBitReversal[mask & 0xFF];
        out[done / 8 + 1] = kBitReversal[mask >> 8];
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
        // counter; a moving pointer keeps the index arithmetic out of the
        // loop at -O2 too.
        for (; end - s >= 4; s += 4) {
            ++part[0][s[0]];
            ++part[1][s[1]];
            ++part[2][s[2]];
            ++part[3][s[3]];
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
