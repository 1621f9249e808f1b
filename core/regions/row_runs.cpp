// Run extraction: the dark runs of one row, found a 64-pixel word at a time.
#include <algorithm>
#include <cstring>

#include "core/regions/regions.hpp"
#include "core/regions/row_runs.hpp"

namespace zr::regions {

namespace {

// Eight bytes loaded in memory order, as a word whose lowest byte is the first.
std::uint64_t LittleEndianWord(std::uint64_t loaded) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return __builtin_bswap64(loaded);
#else
    return loaded;
#endif
}

// Reverses the bits of every byte, so that the leftmost pixel of each byte
// becomes its lowest bit.
std::uint64_t ReverseBitsOfBytes(std::uint64_t word) {
    word = (word >> 1 & 0x5555555555555555u) | (word & 0x5555555555555555u) << 1;
    word = (word >> 2 & 0x3333333333333333u) | (word & 0x3333333333333333u) << 2;
    return (word >> 4 & 0x0F0F0F0F0F0F0F0Fu) | (word & 0x0F0F0F0F0F0F0F0Fu) << 4;
}

// Writes one bound for each change, the lowest first.
struct OneAtATime {
    static std::int32_t *Write(std::int32_t *out, int column0, std::uint64_t changes) {
        while (changes != 0) {
            *out++ = column0 + __builtin_ctzll(changes);
            changes &= changes - 1;
        }
        return out;
    }
};

#if defined(__GNUC__) && defined(__x86_64__)
// tzcnt by its mnemonic: its count for zero (64) is defined, which
// FourAtATime relies on, where __builtin_ctzll's is not. Used only where the
// processor has it (HasCountInstructions).
inline std::uint64_t TrailingZeros(std::uint64_t word) {
    std::uint64_t zeros;
    asm("tzcnt %1, %0" : "=r"(zeros) : "rm"(word) : "cc");
    return zeros;
}

// Writes four bounds a step whatever remains, then moves on by the count of
// changes: no branch for each change, and a noisy chunk's thirty changes cost
// eight steps. Up to three values past the last bound are written; the buffer
// has room for them (RowBoundsCapacity) and the next chunk or the closing
// pair overwrites them, as nothing reads past the count.
struct FourAtATime {
    __attribute__((always_inline)) static std::int32_t *Write(std::int32_t *out, int column0,
                                                              std::uint64_t changes) {
        if (changes == 0) return out;
        const auto count = static_cast<std::ptrdiff_t>(__builtin_popcountll(changes));
        std::int32_t *step = out;
        do {
            step[0] = column0 + static_cast<int>(TrailingZeros(changes));
            changes &= changes - 1;
            step[1] = column0 + static_cast<int>(TrailingZeros(changes));
            changes &= changes - 1;
            step[2] = column0 + static_cast<int>(TrailingZeros(changes));
            changes &= changes - 1;
            step[3] = column0 + static_cast<int>(TrailingZeros(changes));
            changes &= changes - 1;
            step += 4;
        } while (changes != 0);
        return out + count;
    }
};
#endif

// Eight bytes at a time, pixel k of the chunk in bit k: the changes between
// light and dark are the set bits of the chunk against itself shifted by one
// column, taken from the lowest. Every change is one bound, so no branch asks
// whether it opens or ends a run, and a chunk without a change costs a few
// operations. Columns outside [left, right] count as light, so that a run
// reaching the rectangle's edge ends at `right`.
template <typename Writer>
__attribute__((always_inline)) inline int RowRunBoundsWith(const BitImageView &view, int y, int left,
                                                           int right, std::int32_t *bounds) {
    const std::uint8_t *row = view.Row(y);
    const std::uint64_t darkFlip =
        view.SetBitIsDark() ? 0 : ~std::uint64_t{0};  // makes a dark pixel a set bit
    constexpr int kChunkBytes = 8;
    const int firstByte = left >> 3, lastByte = right >> 3;
    std::uint64_t previousDark = 0;  // the column before the chunk, as the lowest bit
    std::int32_t *out = bounds;
    for (int byte = firstByte; byte <= lastByte; byte += kChunkBytes) {
        const int count = std::min(kChunkBytes, lastByte - byte + 1);
        std::uint64_t stored = 0;
        if (count == kChunkBytes) {
            std::memcpy(&stored, row + byte, kChunkBytes);
            stored = LittleEndianWord(stored);
        } else {
            for (int i = 0; i < count; ++i) stored |= std::uint64_t{row[byte + i]} << (8 * i);
        }
        std::uint64_t dark = ReverseBitsOfBytes(stored) ^ darkFlip;
        if (byte == firstByte) dark &= ~std::uint64_t{0} << (left & 7);
        const int lastBit = right - 8 * byte;  // pixels after it (right's, or the chunk's padding) stay light
        if (lastBit < 63) dark &= ~(~std::uint64_t{0} << (lastBit + 1));
        const std::uint64_t changes = dark ^ (dark << 1 | previousDark);
        previousDark = dark >> 63;
        out = Writer::Write(out, byte * 8, changes);
    }
    // A run reaching the last bit of the last chunk has no change after it.
    if ((out - bounds) & 1) *out++ = right + 1;
    out[0] = right + 2;
    out[1] = right + 3;
    return static_cast<int>(out - bounds) / 2;
}

#if defined(__GNUC__) && defined(__x86_64__)
// Compiled for processors with BMI1 (blsr clears the lowest change in one
// instruction) and popcnt; called only where HasCountInstructions() is true.
__attribute__((target("bmi,popcnt"))) int RowRunBoundsFourAtATime(const BitImageView &view, int y, int left,
                                                                  int right, std::int32_t *bounds) {
    return RowRunBoundsWith<FourAtATime>(view, y, left, right, bounds);
}
#endif

}  // namespace

bool HasCountInstructions() {
#if defined(__GNUC__) && defined(__x86_64__)
    return __builtin_cpu_supports("bmi") && __builtin_cpu_supports("popcnt");
#else
    return false;
#endif
}

int RowRunBoundsOneAtATime(const BitImageView &view, int y, int left, int right, std::int32_t *bounds) {
    return RowRunBoundsWith<OneAtATime>(view, y, left, right, bounds);
}

int RowRunBounds(const BitImageView &view, int y, int left, int right, std::int32_t *bounds) {
#if defined(__GNUC__) && defined(__x86_64__)
    if (HasCountInstructions()) return RowRunBoundsFourAtATime(view, y, left, right, bounds);
#endif
    return RowRunBoundsOneAtATime(view, y, left, right, bounds);
}

std::size_t RowBoundsCapacity(int left, int right) {
    constexpr std::size_t kWriterOvershoot = 3;  // FourAtATime's values past the last bound
    return static_cast<std::size_t>(right - left) + 5 + kWriterOvershoot;
}

void ExtractRowRuns(const BitImageView &view, int y, int left, int right, std::vector<RowRun> &runs) {
    std::vector<std::int32_t> bounds(RowBoundsCapacity(left, right));
    const int count = RowRunBounds(view, y, left, right, bounds.data());
    runs.clear();
    for (int i = 0; i <= count; ++i) {
        const std::size_t k = 2 * static_cast<std::size_t>(i);
        runs.push_back({bounds[k], i < count ? bounds[k + 1] - 1 : bounds[k], -1});
    }
}

}  // namespace zr::regions
