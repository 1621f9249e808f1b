// How a step table walks along rows or columns, and the row loads and
// column gathers that take a run of its pixels at once.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/geom/geom.hpp"
#include "core/lines/bit_cursor.hpp"
#include "core/lines/run_scan.hpp"

namespace zr::lines {

// How a step table walks along rows or columns. A table within 45 degrees
// of the horizontal moves x by one, always the same way, at every step, so
// that the pixels between two side steps lie side by side in one row; a
// steeper one moves y so, and those pixels lie in one column, taken that
// way when they are long enough.
struct AxisWalk {
    static constexpr int kMaxRun = 57;  // pixels one unaligned 64-bit load always holds
    static constexpr int kMinColumnRun = 8;
    // The move along the axis that every step makes: (+-1, 0) along rows,
    // (0, +-1) along columns, (0, 0) when the table does neither.
    PointI step{0, 0};
    // From each entry, the steps before the next side step, at most kMaxRun.
    std::array<std::uint8_t, kStepTableSize> run{};
    // From each entry, its step and the steps along the axis after it: the
    // pixels one row load (or one column gather) yields, at most kMaxRun.
    std::array<std::uint8_t, kStepTableSize> stepAndRun{};

    // Offset of the pixel after the first k steps, k = 0 .. kStepTableSize.
    std::array<PointI, kStepTableSize + 1> offset{};
    // Runs too short for column gathers: the table still moves y by one at
    // every step, so its pixels are taken one per row.
    bool shortColumns = false;
    // The table's side steps (those that leave the axis's row or column).
    int sideSteps = 0;
    // Along rows a row load costs about what three pixels taken one at a time
    // do: it pays while fewer than this many steps of the table are side steps.
    static constexpr int kMaxRowSideSteps = 2 * kStepTableSize / 5;

    // Whether runs are gathered along the axis (rows, or columns with long runs).
    bool Usable() const { return !shortColumns && (step.x != 0 || step.y != 0); }
    bool AlongRows() const { return step.x != 0; }
    // Whether pixels are best taken a row load or column gather at a time
    // (the walk's runs long enough), rather than one at a time.
    bool GathersPay() const { return Usable() && (!AlongRows() || sideSteps < kMaxRowSideSteps); }
    // Offset of pixel i of a walk from the table's first entry.
    PointI OffsetOf(int i) const {
        return (i / kStepTableSize) * offset[kStepTableSize] +
               offset[static_cast<std::size_t>(i % kStepTableSize)];
    }

    explicit AxisWalk(const StepTable &table) { Build(table); }

    // The walk of `table` when `opposite` is the walk of `oppositeTable`:
    // where every entry of `table` steps back the way the entry of
    // `oppositeTable` steps (a line's tables along and back), the same runs
    // and side steps, the axis step and offsets reversed; otherwise built
    // from `table` alone. The same walk either way.
    AxisWalk(const StepTable &table, const StepTable &oppositeTable, const AxisWalk &opposite) {
        if (!Reverses(table, oppositeTable)) {
            Build(table);
            return;
        }
        step = PointI{-opposite.step.x, -opposite.step.y};
        run = opposite.run;
        stepAndRun = opposite.stepAndRun;
        for (std::size_t k = 0; k < offset.size(); ++k)
            offset[k] = PointI{-opposite.offset[k].x, -opposite.offset[k].y};
        shortColumns = opposite.shortColumns;
        sideSteps = opposite.sideSteps;
    }

  private:
    // Whether every entry of `table` is the opposite step (code + 4) of the
    // entry of `other`; a walk reads only the low three bits of a code.
    static bool Reverses(const StepTable &table, const StepTable &other) {
        constexpr std::uint64_t kOnes = 0x0101010101010101u;
        std::uint64_t differ = 0;
        for (std::size_t k = 0; k < table.size(); k += 8) {
            std::uint64_t a = 0, b = 0;
            std::memcpy(&a, table.data() + k, 8);
            std::memcpy(&b, other.data() + k, 8);
            const std::uint64_t low = 7u * kOnes;
            differ |= (a ^ ((b & low) + 4u * kOnes)) & low;
        }
        return differ == 0;
    }

    void Build(const StepTable &table) {
        constexpr int n = kStepTableSize;
        static_assert(n % 8 == 0, "the table is read eight entries a word");
        // The offsets summed as pairs of lanes, x and y in one register.
        using Pair = std::int32_t __attribute__((vector_size(8)));
        static_assert(sizeof(Pair) == sizeof(PointI) && std::is_trivially_copyable<PointI>::value,
                      "an offset is one pair");
        constexpr Pair kStepPair[8] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
        Pair sum = {0, 0};
        for (int k = 0; k < n; ++k) {
            sum += kStepPair[table[static_cast<std::size_t>(k)] & 7u];
            std::memcpy(static_cast<void *>(&offset[static_cast<std::size_t>(k) + 1]), &sum, sizeof sum);
        }
        // Eight entries a word: which of the four axis code sets every entry
        // keeps to, the side steps (the odd codes: those that move across
        // either axis) and the first of them.
        constexpr std::uint64_t kOnes = 0x0101010101010101u;
        // An entry's code c lies in {a - 1, a, a + 1} (mod 8) when (c + 9 - a) & 7 is below 3;
        // adding 125 to each byte (at most 7) sets its top bit exactly when it is not.
        const auto outside = [](std::uint64_t codes, unsigned a) {
            return ((((codes + (9u - a) * kOnes) & (7u * kOnes)) + 125u * kOnes) & (0x80u * kOnes));
        };
        std::uint64_t notRight = 0, notLeft = 0, notDown = 0, notUp = 0;
        int sides = 0, first = -1;
        for (int w = 0; w < n / 8; ++w) {
            std::uint64_t word = 0;
            std::memcpy(&word, table.data() + 8 * w, 8);  // entry 8w + i in byte i (little-endian)
            const std::uint64_t codes = word & (7u * kOnes);
            notRight |= outside(codes, 0);  // codes 7, 0, 1
            notLeft |= outside(codes, 4);   // 3, 4, 5
            notDown |= outside(codes, 2);   // 1, 2, 3
            notUp |= outside(codes, 6);     // 5, 6, 7
            const std::uint64_t odd = word & kOnes;
            sides += static_cast<int>((odd * kOnes) >> 56);
            if (first < 0 && odd != 0) first = 8 * w + __builtin_ctzll(odd) / 8;
        }
        step = notRight == 0  ? PointI{1, 0}
               : notLeft == 0 ? PointI{-1, 0}
               : notDown == 0 ? PointI{0, 1}
               : notUp == 0   ? PointI{0, -1}
                              : PointI{0, 0};
        if (!Usable()) return;
        sideSteps = sides;
        // A side step moves across the axis as well: along rows the codes
        // that move y, along columns those that move x; both are the odd codes.
        // A column gather pays off on runs of eight rows or more: steeper
        // tables with more side steps are walked pixel by pixel.
        if (!AlongRows() && sides > n / kMinColumnRun) {
            shortColumns = true;
            return;
        }
        if (first < 0) {
            run.fill(kMaxRun);
            stepAndRun.fill(kMaxRun);
            return;
        }
        // Backwards over the table, each entry's run one more than the next
        // entry's (capped) unless it is a side step; entry n is entry 0,
        // whose run is the steps before the first side step.
        int steps = std::min(first, kMaxRun);
        for (int k = n - 1; k >= 0; --k) {
            const bool side = (table[static_cast<std::size_t>(k)] & 1) != 0;
            steps = side ? 0 : std::min(steps + 1, kMaxRun);
            run[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(steps);
        }
        // Each entry's step and run take the run of the entry after it.
        for (int k = 0; k < n; ++k) {
            const int next = run[static_cast<std::size_t>(k + 1 < n ? k + 1 : 0)];
            stepAndRun[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(std::min(1 + next, kMaxRun));
        }
    }
};

// Set bits of a word, inline: the x86-64 baseline has no population count
// instruction, and the library call costs more than these few operations.
inline int PopCount64(std::uint64_t v) {
    v = v - ((v >> 1) & 0x5555555555555555u);
    v = (v & 0x3333333333333333u) + ((v >> 2) & 0x3333333333333333u);
    v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<int>((v * 0x0101010101010101u) >> 56);
}

inline std::uint64_t Reverse64(std::uint64_t v) {
    v = __builtin_bswap64(v);
    v = ((v >> 4) & 0x0F0F0F0F0F0F0F0Fu) | ((v & 0x0F0F0F0F0F0F0F0Fu) << 4);
    v = ((v >> 2) & 0x3333333333333333u) | ((v & 0x3333333333333333u) << 2);
    return ((v >> 1) & 0x5555555555555555u) | ((v & 0x5555555555555555u) << 1);
}

// The `count` pixels after x along a row, x + 1 on (xStep 1) or x - 1 down
// (xStep -1), as the low `count` bits with the nearest pixel highest, 1 =
// dark. 1 <= count <= AxisWalk::kMaxRun, and every pixel lies in the row.
inline std::uint64_t RowPixels(const std::uint8_t *row, std::ptrdiff_t pitch, int x, int xStep, int count,
                               unsigned lightBit) {
    const std::uint64_t flip = std::uint64_t{0} - lightBit;  // all ones when a set bit is light
    if (xStep > 0) {
        const int first = x + 1;
        return ((LoadRow64(row, pitch, first >> 3) ^ flip) << (first & 7)) >> (64 - count);
    }
    const int lowest = x - count;
    const std::uint64_t bits = ((LoadRow64(row, pitch, lowest >> 3) ^ flip) << (lowest & 7)) >> (64 - count);
    return Reverse64(bits) >> (64 - count);
}

// The `count` pixels of column x in the rows `first`, first + stride, ...,
// as the low `count` bits with the first pixel highest, 1 = dark; 1 <= count
// <= AxisWalk::kMaxRun. Eight rows are gathered at a time: their bits, one
// per byte, meet in the top byte of a product.
inline std::uint64_t ColumnPixels(const std::uint8_t *first, std::ptrdiff_t stride, int x, int count,
                                  unsigned lightBit) {
    const std::uint8_t *byte = first + (x >> 3);
    const int shift = 7 - (x & 7);
    std::uint64_t bits = 0;
    int k = 0;
    for (; k + 8 <= count; k += 8, byte += 8 * stride) {
        bits = (bits << 8) | (ColumnToTopByte(Bytes8(byte, stride), shift) >> 56);
    }
    for (; k < count; ++k, byte += stride) bits = (bits << 1) | ((*byte >> shift) & 1u);
    const std::uint64_t light = lightBit ? ~std::uint64_t{0} >> (64 - count) : 0;
    return bits ^ light;
}

}  // namespace zr::lines
