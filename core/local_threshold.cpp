// Local thresholds from 8 x 8 block statistics (the rule is in the header).
// Three passes: block minimum, maximum and sum over the grey rows; levels
// and thresholds on the small block grid; then every row packed against a
// row of per-pixel limits that changes once per block row.
#include "core/local_threshold.hpp"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "core/dib_header.hpp"
#include "core/image.hpp"
#include "core/prepare.hpp"
#include "core/prepare_frame.hpp"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zr {
namespace {

constexpr std::uint32_t kBlockShift = 3;
constexpr std::uint32_t kBlockSide = 1u << kBlockShift;
constexpr std::uint32_t kFullBlock = kBlockSide * kBlockSide;
constexpr std::uint32_t kWindowRadius = 2;  // blocks on each side: a 5 x 5 neighbourhood
constexpr std::uint32_t kWindowSide = 2 * kWindowRadius + 1;
constexpr std::uint32_t kFullWindow = kWindowSide * kWindowSide;
constexpr int kMinContrast = 24;  // a block whose levels span no more than this is flat
// Flat blocks weigh their neighbours: above and above-left once, left twice.
constexpr unsigned kAboveWeight = 1, kLeftWeight = 2, kAboveLeftWeight = 1;
constexpr std::uint32_t kVectorPixels = 16;

constexpr std::array<std::uint8_t, 256> MakeBitReversal() {
    std::array<std::uint8_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned r = 0;
        for (unsigned b = 0; b < 8; ++b) r |= ((i >> b) & 1u) << (7 - b);
        table[i] = static_cast<std::uint8_t>(r);
    }
    return table;
}
constexpr std::array<std::uint8_t, 256> kBitReversal = MakeBitReversal();

// Grey rows addressed from the picture's top: DIB rows are stored bottom-up.
struct GreyRows {
    const std::uint8_t *top;
    std::ptrdiff_t step;
    const std::uint8_t *Row(std::uint32_t y) const { return top + static_cast<std::ptrdiff_t>(y) * step; }
};

// First block of the window around block `b` on an axis of `count` blocks.
std::uint32_t WindowStart(std::uint32_t b, std::uint32_t count) {
    if (count <= kWindowSide) return 0;
    return std::min(b > kWindowRadius ? b - kWindowRadius : 0, count - kWindowSide);
}
std::uint32_t WindowEnd(std::uint32_t start, std::uint32_t count) {
    return std::min(start + kWindowSide, count);
}

// The block table and the row of per-pixel limits, carved from one block.
class BlockGrid {
  public:
    BlockGrid(std::uint32_t width, std::uint32_t height)
        : width_(width),
          height_(height),
          across_((width + kBlockSide - 1) >> kBlockShift),
          down_((height + kBlockSide - 1) >> kBlockShift) {}

    bool Allocate() {
        const std::size_t blocks = std::size_t{across_} * down_;
        const std::size_t limitBytes = std::size_t{across_} * kBlockSide;
        const std::size_t wideBytes = (2 * blocks + across_) * sizeof(std::uint16_t);
        storage_.reset(new (std::nothrow) std::uint8_t[wideBytes + 4 * blocks + limitBytes]);
        if (!storage_) return false;
        // The 16-bit arrays first, so that they stay aligned.
        sum_ = reinterpret_cast<std::uint16_t *>(storage_.get());
        rowWindow_ = sum_ + blocks;
        windowSum_ = rowWindow_ + blocks;
        min_ = reinterpret_cast<std::uint8_t *>(windowSum_ + across_);
        max_ = min_ + blocks;
        level_ = max_ + blocks;
        threshold_ = level_ + blocks;
        limits_ = threshold_ + blocks;
        return true;
    }

    void CollectStatistics(const GreyRows &grey);
    void ComputeLevels();
    void ComputeThresholds();
    void Binarise(const GreyRows &grey, ZrImage &target) const;

  private:
    std::size_t Index(std::uint32_t bx, std::uint32_t by) const { return std::size_t{by} * across_ + bx; }
    std::uint32_t PixelsIn(std::uint32_t bx, std::uint32_t by) const {
        const std::uint32_t w = std::min(kBlockSide, width_ - (bx << kBlockShift));
        const std::uint32_t h = std::min(kBlockSide, height_ - (by << kBlockShift));
        return w * h;
    }
    void ScalarBlock(const GreyRows &grey, std::uint32_t bx, std::uint32_t by);
    std::uint8_t FlatLevel(std::uint32_t bx, std::uint32_t by) const;

    std::uint32_t width_, height_, across_, down_;
    std::unique_ptr<std::uint8_t[]> storage_;
    std::uint16_t *sum_ = nullptr;
    std::uint16_t *rowWindow_ = nullptr;  // a level's sum over its window's columns
    std::uint16_t *windowSum_ = nullptr;  // one block row's sums over whole windows
    std::uint8_t *min_ = nullptr;
    std::uint8_t *max_ = nullptr;
    std::uint8_t *level_ = nullptr;
    std::uint8_t *threshold_ = nullptr;
    std::uint8_t *limits_ = nullptr;  // one block row's thresholds, pixel by pixel
};

void BlockGrid::ScalarBlock(const GreyRows &grey, std::uint32_t bx, std::uint32_t by) {
    const std::uint32_t x0 = bx << kBlockShift, y0 = by << kBlockShift;
    const std::uint32_t xEnd = std::min(x0 + kBlockSide, width_), yEnd = std::min(y0 + kBlockSide, height_);
    unsigned low = 0xFF, high = 0, sum = 0;
    for (std::uint32_t y = y0; y < yEnd; ++y) {
        const std::uint8_t *row = grey.Row(y);
        for (std::uint32_t x = x0; x < xEnd; ++x) {
            low = std::min<unsigned>(low, row[x]);
            high = std::max<unsigned>(high, row[x]);
            sum += row[x];
        }
    }
    const std::size_t i = Index(bx, by);
    min_[i] = static_cast<std::uint8_t>(low);
    max_[i] = static_cast<std::uint8_t>(high);
    sum_[i] = static_cast<std::uint16_t>(sum);
}

void BlockGrid::CollectStatistics(const GreyRows &grey) {
    for (std::uint32_t by = 0; by < down_; ++by) {
        std::uint32_t bx = 0;
#if defined(__SSE2__)
        // Two blocks side by side per vector: the rows' minimum, maximum and
        // sum (psadbw adds each half's eight bytes) gathered down the block
        // row, then each half's minimum and maximum folded to its low byte.
        const std::uint32_t y0 = by << kBlockShift, rows = std::min(kBlockSide, height_ - y0);
        std::array<const std::uint8_t *, kBlockSide> row{};
        for (std::uint32_t k = 0; k < rows; ++k) row[k] = grey.Row(y0 + k);
        const __m128i zero = _mm_setzero_si128();
        for (; (bx << kBlockShift) + kVectorPixels <= width_; bx += 2) {
            const std::uint32_t x = bx << kBlockShift;
            __m128i low = _mm_set1_epi8(static_cast<char>(0xFF)), high = zero, sum = zero;
            for (std::uint32_t k = 0; k < rows; ++k) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row[k] + x));
                low = _mm_min_epu8(low, v);
                high = _mm_max_epu8(high, v);
                sum = _mm_add_epi64(sum, _mm_sad_epu8(v, zero));
            }
            low = _mm_min_epu8(low, _mm_srli_epi64(low, 32));
            low = _mm_min_epu8(low, _mm_srli_epi64(low, 16));
            low = _mm_min_epu8(low, _mm_srli_epi64(low, 8));
            high = _mm_max_epu8(high, _mm_srli_epi64(high, 32));
            high = _mm_max_epu8(high, _mm_srli_epi64(high, 16));
            high = _mm_max_epu8(high, _mm_srli_epi64(high, 8));
            const std::size_t i = Index(bx, by);
            min_[i] = static_cast<std::uint8_t>(_mm_cvtsi128_si32(low));
            min_[i + 1] = static_cast<std::uint8_t>(_mm_extract_epi16(low, 4));
            max_[i] = static_cast<std::uint8_t>(_mm_cvtsi128_si32(high));
            max_[i + 1] = static_cast<std::uint8_t>(_mm_extract_epi16(high, 4));
            sum_[i] = static_cast<std::uint16_t>(_mm_cvtsi128_si32(sum));
            sum_[i + 1] = static_cast<std::uint16_t>(_mm_extract_epi16(sum, 4));
        }
#endif
        for (; bx < across_; ++bx) ScalarBlock(grey, bx, by);
    }
}

std::uint8_t BlockGrid::FlatLevel(std::uint32_t bx, std::uint32_t by) const {
    const std::size_t i = Index(bx, by);
    unsigned weighted = 0, weights = 0;
    if (by > 0) {
        weighted += kAboveWeight * level_[i - across_];
        weights += kAboveWeight;
    }
    if (bx > 0) {
        weighted += kLeftWeight * level_[i - 1];
        weights += kLeftWeight;
    }
    if (bx > 0 && by > 0) {
        weighted += kAboveLeftWeight * level_[i - across_ - 1];
        weights += kAboveLeftWeight;
    }
    if (weights != 0) {
        const unsigned neighbours = weighted / weights;
        if (min_[i] < neighbours) return static_cast<std::uint8_t>(neighbours);
    }
    return static_cast<std::uint8_t>(min_[i] / 2);
}

void BlockGrid::ComputeLevels() {
    for (std::uint32_t by = 0; by < down_; ++by)
        for (std::uint32_t bx = 0; bx < across_; ++bx) {
            const std::size_t i = Index(bx, by);
            if (max_[i] - min_[i] > kMinContrast) {
                const std::uint32_t pixels = PixelsIn(bx, by);
                // Whole blocks divide by a constant, which the compiler turns into a shift.
                level_[i] =
                    static_cast<std::uint8_t>(pixels == kFullBlock ? sum_[i] / kFullBlock : sum_[i] / pixels);
            } else {
                level_[i] = FlatLevel(bx, by);
            }
        }
}

// Window sums along one row of `count` values: each entry's window is its
// five neighbours, moved inward at the ends (the whole row when shorter).
template <typename In, typename Out>
void WindowSums(const In *values, std::uint32_t count, Out *sums) {
    if (count <= kWindowSide) {
        unsigned total = 0;
        for (std::uint32_t i = 0; i < count; ++i) total += values[i];
        for (std::uint32_t i = 0; i < count; ++i) sums[i] = static_cast<Out>(total);
        return;
    }
    for (std::uint32_t i = kWindowRadius; i + kWindowRadius < count; ++i)
        sums[i] = static_cast<Out>(values[i - 2] + values[i - 1] + values[i] + values[i + 1] + values[i + 2]);
    for (std::uint32_t i = 0; i < kWindowRadius; ++i) {
        sums[i] = sums[kWindowRadius];
        sums[count - 1 - i] = sums[count - 1 - kWindowRadius];
    }
}

void BlockGrid::ComputeThresholds() {
    for (std::uint32_t by = 0; by < down_; ++by)
        WindowSums(level_ + Index(0, by), across_, rowWindow_ + Index(0, by));
    // Every window holds the same number of blocks; the usual 25 divides as a constant.
    const std::uint32_t cells = std::min(across_, kWindowSide) * std::min(down_, kWindowSide);
    for (std::uint32_t by = 0; by < down_; ++by) {
        const std::uint32_t start = WindowStart(by, down_), end = WindowEnd(start, down_);
        std::uint16_t *const sum = windowSum_;
        std::memcpy(sum, rowWindow_ + Index(0, start), across_ * sizeof(std::uint16_t));
        for (std::uint32_t r = start + 1; r < end; ++r) {
            const std::uint16_t *row = rowWindow_ + Index(0, r);
            for (std::uint32_t bx = 0; bx < across_; ++bx)
                sum[bx] = static_cast<std::uint16_t>(sum[bx] + row[bx]);
        }
        std::uint8_t *const threshold = threshold_ + Index(0, by);
        if (cells == kFullWindow)
            for (std::uint32_t bx = 0; bx < across_; ++bx)
                threshold[bx] = static_cast<std::uint8_t>(sum[bx] / kFullWindow);
        else
            for (std::uint32_t bx = 0; bx < across_; ++bx)
                threshold[bx] = static_cast<std::uint8_t>(sum[bx] / cells);
    }
}

// Packs one row: a set bit where grey < limit, most significant bit first,
// inverted for a record of polarity 1; the last byte's padding bits keep
// the blank picture's value.
void PackRow(const std::uint8_t *grey, const std::uint8_t *limits, std::uint32_t width, std::uint8_t flip,
             std::uint8_t *out) {
    std::uint32_t done = 0;
#if defined(__SSE2__)
    const std::uint32_t whole = width / kBlockSide;
    // SSE2 compares signed bytes: both sides are shifted by 128. movemask
    // puts pixel i in bit i; the row wants the first pixel in the top bit.
    const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
    for (; done + kVectorPixels <= whole * kBlockSide; done += kVectorPixels) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i *>(grey + done));
        const __m128i limit = _mm_loadu_si128(reinterpret_cast<const __m128i *>(limits + done));
        const __m128i dark = _mm_cmplt_epi8(_mm_xor_si128(pixels, bias), _mm_xor_si128(limit, bias));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(dark));
        out[done / kBlockSide] = static_cast<std::uint8_t>(kBitReversal[mask & 0xFF] ^ flip);
        out[done / kBlockSide + 1] = static_cast<std::uint8_t>(kBitReversal[mask >> 8] ^ flip);
    }
#endif
    for (; done < width; done += kBlockSide) {
        const std::uint32_t count = std::min(kBlockSide, width - done);
        unsigned dark = 0;
        for (std::uint32_t j = 0; j < count; ++j)
            dark = (dark << 1) | (grey[done + j] < limits[done + j] ? 1u : 0u);
        dark = (dark << (kBlockSide - count)) ^ flip;
        const unsigned padding = 0xFFu >> count;
        std::uint8_t &byte = out[done / kBlockSide];
        byte = static_cast<std::uint8_t>((byte & padding) | (dark & ~padding));
    }
}

void BlockGrid::Binarise(const GreyRows &grey, ZrImage &target) const {
    const std::uint8_t flip = target.polarity != 0 ? 0xFF : 0x00;
    auto *const bits = static_cast<std::uint8_t *>(target.bits);
    for (std::uint32_t by = 0; by < down_; ++by) {
        for (std::uint32_t bx = 0; bx < across_; ++bx)
            std::memset(limits_ + (bx << kBlockShift), threshold_[Index(bx, by)], kBlockSide);
        const std::uint32_t y0 = by << kBlockShift, yEnd = std::min(y0 + kBlockSide, height_);
        for (std::uint32_t y = y0; y < yEnd; ++y) {
            std::uint8_t *row = bits + static_cast<std::ptrdiff_t>(height_ - 1 - y) * target.pitch;
            PackRow(grey.Row(y), limits_, width_, flip, row);
        }
    }
}

std::uint16_t Threshold(const GreyRows &grey, ZrImage &target) {
    BlockGrid grid(target.width, target.height);
    if (!grid.Allocate()) return ZR_ERR_NO_MEMORY;
    grid.CollectStatistics(grey);
    grid.ComputeLevels();
    grid.ComputeThresholds();
    grid.Binarise(grey, target);
    return ZR_OK;
}

// The DIB's stored rows (bottom-up, `pitch` apart) as grey rows from the top.
GreyRows StoredRows(const std::uint8_t *first, std::int32_t pitch, std::uint32_t height) {
    return {first + static_cast<std::ptrdiff_t>(height - 1) * pitch, -static_cast<std::ptrdiff_t>(pitch)};
}

std::uint16_t IndexedToLocal(const std::uint8_t *palette, std::int32_t pitch, ZrImage &target) {
    constexpr std::ptrdiff_t kPaletteBytes =
        std::ptrdiff_t{256} * 4;  // 256 entries of blue, green, red, reserved
    const std::uint8_t *pixels = palette + kPaletteBytes;
    std::array<std::uint8_t, 256> levels{};
    bool identity = true;
    for (unsigned i = 0; i < 256; ++i) {
        levels[i] = PaletteGrey(palette, i);
        identity = identity && levels[i] == i;
    }
    // A grey palette's indices are the levels; any other is mapped once.
    if (identity) return Threshold(StoredRows(pixels, pitch, target.height), target);
    const std::size_t width = target.width;
    std::unique_ptr<std::uint8_t[]> grey(new (std::nothrow) std::uint8_t[width * target.height]);
    if (!grey) return ZR_ERR_NO_MEMORY;
    for (std::uint32_t r = 0; r < target.height; ++r) {
        const std::uint8_t *from = pixels + static_cast<std::ptrdiff_t>(r) * pitch;
        std::uint8_t *to = grey.get() + r * width;
        for (std::size_t x = 0; x < width; ++x) to[x] = levels[from[x]];
    }
    return Threshold(StoredRows(grey.get(), static_cast<std::int32_t>(width), target.height), target);
}

std::uint16_t ColourToLocal(const std::uint8_t *pixels, std::int32_t pitch, ZrImage &target) {
    const std::size_t width = target.width;
    std::unique_ptr<std::uint8_t[]> grey(new (std::nothrow) std::uint8_t[width * target.height]);
    if (!grey) return ZR_ERR_NO_MEMORY;
    prepare::HistogramPair unused{};  // the converter counts levels as it goes
    for (std::uint32_t r = 0; r < target.height; ++r)
        prepare::BgrRowToGrey(pixels + static_cast<std::ptrdiff_t>(r) * pitch, target.width,
                              grey.get() + r * width, unused);
    return Threshold(StoredRows(grey.get(), static_cast<std::int32_t>(width), target.height), target);
}

}  // namespace

std::uint16_t DibToLocalBiLevel(ZrImage *image, const void *dib) {
    return DibToLocalBiLevel(image, dib, std::vector<std::uint8_t>{});
}

std::uint16_t DibToLocalBiLevel(ZrImage *image, const void *dib,
                                const std::vector<std::uint8_t> &storedGrey) {
    return PrepareBiLevel(
        image, dib,
        [&storedGrey](const std::uint8_t *palette, std::int32_t pitch, std::uint16_t bitCount,
                      ZrImage &target) {
            if (bitCount == 8) return IndexedToLocal(palette, pitch, target);
            const std::size_t width = target.width;
            if (storedGrey.size() == width * target.height)
                return Threshold(
                    StoredRows(storedGrey.data(), static_cast<std::int32_t>(width), target.height), target);
            return ColourToLocal(palette, pitch, target);
        });
}

}  // namespace zr

namespace zr {
namespace {

// Above this many changes per pixel a row is speckle (one change every 2.5
// pixels); every fourth row is counted.
constexpr double kMaxPrintChangeDensity = 0.4;
constexpr int kDensityRowStep = 4;
// Up to this many pixels a picture is searched whatever it holds: it costs
// little, and a symbol of 1-pixel modules filling it changes as often as speckle.
constexpr std::uint64_t kMaxAlwaysSearchedPixels = 512 * 512;

}  // namespace

double RowChangeDensity(const ZrImage &image) {
    const BitImageView view(image);
    const int bytes = (view.Width() + 7) / 8;
    std::uint64_t changes = 0, pixels = 0;
    for (int y = 0; y < view.Height(); y += kDensityRowStep) {
        if (bytes > 0) changes += static_cast<std::uint64_t>(RowChanges(view, y, 0, 8 * bytes, INT_MAX));
        pixels += static_cast<std::uint64_t>(view.Width());
    }
    return pixels == 0 ? 0 : double(changes) / double(pixels);
}

bool LooksLikeSpeckle(const ZrImage &image) {
    if (std::uint64_t{image.width} * image.height <= kMaxAlwaysSearchedPixels) return false;
    return RowChangeDensity(image) > kMaxPrintChangeDensity;
}

}  // namespace zr
