// The pixels met walking a step table from a start point, gathered 64 at a
// time into a word (bit 63 first, 1 = dark) so that runs of one colour are
// found with a count of leading zeros instead of a branch per pixel. The
// walk ends where its next step would leave the area. Along tables that
// walk along rows or columns (AxisWalk), the pixels between two side steps
// are taken from one row load or column gather.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/geom/geom.hpp"
#include "core/image_view.hpp"
#include "core/lines/axis_walk.hpp"
#include "core/lines/bit_cursor.hpp"
#include "core/lines/run_scan.hpp"

namespace zr::lines {

class TableBits {
  public:
    // `start` must lie in `area`; the walk takes the table from entry 0.
    TableBits(const BitImageView &view, const Rect &area, PointI start, const StepTable &table)
        : area_(area),
          table_(&table),
          start_(start),
          x_(start.x),
          y_(start.y),
          row_(view.Row(start.y)),
          pitch_(view.Pitch()),
          lightBit_(view.SetBitIsDark() ? 0u : 1u) {
        for (int code = 0; code < 8; ++code)
            rowStep_[code] =
                -static_cast<std::ptrdiff_t>(kStepDy[code]) * pitch_;  // stored rows run bottom-up
    }
    // The same with the table's row runs counted by the caller, once for
    // many walks along the same table.
    TableBits(const BitImageView &view, const Rect &area, PointI start, const StepTable &table,
              const AxisWalk &axis)
        : TableBits(view, area, start, table) {
        axis_ = axis.GathersPay() ? &axis : nullptr;
        column_ = axis.shortColumns ? &axis : nullptr;
        offsets_ = &axis;
    }

    // The first pixel index from `from` on whose colour is not `dark`; when
    // every pixel to the end of the walk has that colour, the number of
    // pixels walked (Ended() is then true). `from` must not lie before the
    // word the previous call ended in: calls go forwards along the walk.
    int NextChange(int from, bool dark) {
        const std::uint64_t want = dark ? ~std::uint64_t{0} : 0;
        for (;;) {
            while (from >= wordStart_ + wordCount_) {
                if (ended_) return wordStart_ + wordCount_;
                Gather();
            }
            const int offset = from - wordStart_;
            // Valid pixels are the top wordCount_ bits; the rest never differ.
            const std::uint64_t valid = ~std::uint64_t{0} << (64 - wordCount_);
            const std::uint64_t differ = ((word_ ^ want) & valid) << offset;
            if (differ != 0) return from + __builtin_clzll(differ);
            from = wordStart_ + wordCount_;
        }
    }
    // The pixels from `from` on that the gathered word holds, pixel `from`
    // in bit 63 (1 = dark), and their count (the bits below are 0); 0 once
    // the walk has ended before `from`. Calls go forwards as NextChange's,
    // and may be mixed with them.
    int PixelsFrom(int from, std::uint64_t &bits) {
        while (from >= wordStart_ + wordCount_) {
            if (ended_) return 0;
            Gather();
        }
        const int offset = from - wordStart_;
        bits = word_ << offset;
        return wordCount_ - offset;
    }
    // The end of the next run of one colour: the runs follow each other from
    // pixel 0 on, each ending where the colour changes, and each call costs
    // a bit scan of the word of changes. Walked() when the last run reaches
    // the walk's end (Ended() is then true). Not to be mixed with NextChange
    // on the same walk.
    int NextRunEnd() {
        for (;;) {
            if (changes_ != 0) {
                const int at = __builtin_clzll(changes_);
                changes_ &= ~(std::uint64_t{1} << (63 - at));
                return wordStart_ + at;
            }
            if (ended_) return wordStart_ + wordCount_;
            const bool firstWord = wordStart_ + wordCount_ == 0;
            const std::uint64_t lastPixel = firstWord ? 0 : (word_ >> (64 - wordCount_)) & 1u;
            Gather();
            if (wordCount_ == 0) continue;
            // Pixel 0 has no change before it; any later word's first pixel
            // is compared with the last of the word before.
            const std::uint64_t before = firstWord ? word_ >> 63 : lastPixel;
            const std::uint64_t valid = ~std::uint64_t{0} << (64 - wordCount_);
            changes_ = (word_ ^ ((word_ >> 1) | (before << 63))) & valid;
        }
    }
    bool Ended() const { return ended_; }
    // Pixels gathered so far: all of the walk's once Ended().
    int Walked() const { return wordStart_ + wordCount_; }

    // Position of pixel i, from the table's sums.
    PointI At(int i) const {
        if (offsets_ != nullptr) return start_ + offsets_->OffsetOf(i);
        const int rest = i % kStepTableSize;
        PointI part{0, 0};
        for (int k = 0; k < rest; ++k) part += StepVector((*table_)[static_cast<std::size_t>(k)]);
        if (i < kStepTableSize) return start_ + part;
        PointI cycle = part;
        for (int k = rest; k < kStepTableSize; ++k)
            cycle += StepVector((*table_)[static_cast<std::size_t>(k)]);
        return start_ + (i / kStepTableSize) * cycle + part;
    }

  private:
    // Appends the next up to 64 pixels; the first word holds the start pixel.
    void Gather() {
        wordStart_ += wordCount_;
        std::uint64_t word = 0;
        int n = 0;
        if (wordStart_ == 0) {
            word = PixelBit();
            n = 1;
        }
        while (n < 64) {
            if (axis_ != nullptr) {
                GatherAlongAxis(word, n);
                break;
            }
            if (column_ != nullptr) {
                GatherDownColumns(word, n);
                break;
            }
            // Steps that surely stay inside the area, whatever their direction.
            int safe = std::min(std::min(x_ - area_.x0, area_.x1 - 1 - x_),
                                std::min(y_ - area_.y0, area_.y1 - 1 - y_));
            if (safe <= 0) {
                const std::uint8_t code = (*table_)[static_cast<std::size_t>(index_)];
                if (!area_.Contains(x_ + kStepDx[code], y_ + kStepDy[code])) {
                    ended_ = true;
                    break;
                }
                safe = 1;
            }
            const std::uint8_t *codes = table_->data();
            int x = x_, y = y_, index = index_;
            const std::uint8_t *row = row_;
            const int steps = std::min(safe, 64 - n);
            // Up to the table's end at a time, so that the index needs no wrap
            // test; unrolled, the loop's own test is paid once for four pixels.
            for (int left = steps; left > 0;) {
                const int chunk = std::min(left, kStepTableSize - index);
#pragma GCC unroll 4
                for (int k = index; k < index + chunk; ++k) {
                    const std::uint8_t code = codes[k];
                    x += kStepDx[code];
                    y += kStepDy[code];
                    row += rowStep_[code];
                    word = (word << 1) | ((static_cast<unsigned>(row[x >> 3]) >> (7 - (x & 7))) & 1u);
                }
                index = index + chunk == kStepTableSize ? 0 : index + chunk;
                left -= chunk;
            }
            word ^= LowBits(steps) & lightMask_;  // the pixels' bits taken as stored, turned to 1 = dark
            n += steps;
            x_ = x;
            y_ = y;
            index_ = index;
            row_ = row;
        }
        wordCount_ = n;
        word_ = n == 0 ? 0 : word << (64 - n);
    }

    // Gather for a table that walks along rows or columns: each step, with
    // the steps along the axis that follow it, yields its pixels from one
    // row load or column gather; and every step moves along the axis by one,
    // so the room left there bounds the walk without a test per pixel.
    void GatherAlongAxis(std::uint64_t &wordOut, int &count) {
        // Everything the loop changes or reads is local, so that no store
        // through a reference makes the compiler read the members again.
        const AxisWalk &axis = *axis_;
        const PointI major = axis.step;
        const Rect area = area_;
        const std::ptrdiff_t pitch = pitch_;
        const unsigned lightBit = lightBit_;
        const StepTable &table = *table_;
        std::uint64_t word = wordOut;
        int n = count;
        int x = x_, y = y_, index = index_;
        bool ended = false;
        const std::uint8_t *row = row_;
        if (axis.AlongRows()) {
            // One loop per direction, so that the row load has no branch on it.
            const auto alongRow = [&](auto xStep) {
                int room = xStep > 0 ? area.x1 - 1 - x : x - area.x0;  // steps before x leaves the area
                // Far from the area's edges the rest of the word needs no test:
                // fewer steps remain than rows or columns to the edge.
                if (room >= 64 - n && std::min(y - area.y0, area.y1 - 1 - y) >= 64 - n) {
                    while (n < 64) {
                        const int take =
                            std::min<int>(axis.stepAndRun[static_cast<std::size_t>(index)], 64 - n);
                        const std::uint8_t code = table[static_cast<std::size_t>(index)];
                        y += kStepDy[code];
                        row += rowStep_[code];
                        word = (word << take) | RowPixels(row, pitch, x, xStep, take, lightBit);
                        n += take;
                        x += take * xStep;
                        index += take;
                        index -= index >= kStepTableSize ? kStepTableSize : 0;
                    }
                    return;
                }
                while (n < 64) {
                    const int take = std::min(
                        std::min<int>(axis.stepAndRun[static_cast<std::size_t>(index)], room), 64 - n);
                    const std::uint8_t code = table[static_cast<std::size_t>(index)];
                    const int nextY = y + kStepDy[code];
                    if (take == 0 || nextY < area.y0 || nextY >= area.y1) {
                        ended = true;
                        break;
                    }
                    // The step may change the row; the pixels then lie along it.
                    y = nextY;
                    row += rowStep_[code];
                    word = (word << take) | RowPixels(row, pitch, x, xStep, take, lightBit);
                    n += take;
                    x += take * xStep;
                    room -= take;
                    index += take;
                    index -= index >= kStepTableSize ? kStepTableSize : 0;
                }
            };
            if (major.x > 0) {
                alongRow(std::integral_constant<int, 1>{});
            } else {
                alongRow(std::integral_constant<int, -1>{});
            }
        } else {
            const std::ptrdiff_t stride = -static_cast<std::ptrdiff_t>(major.y) * pitch;
            int room = major.y > 0 ? area.y1 - 1 - y : y - area.y0;  // steps before y leaves the area
            while (n < 64) {
                const int take =
                    std::min(std::min<int>(axis.stepAndRun[static_cast<std::size_t>(index)], room), 64 - n);
                const int nextX = x + kStepDx[table[static_cast<std::size_t>(index)]];
                if (take == 0 || nextX < area.x0 || nextX >= area.x1) {
                    ended = true;
                    break;
                }
                // The step may change the column; the pixels then lie down or up it.
                x = nextX;
                word = (word << take) | ColumnPixels(row + stride, stride, x, take, lightBit);
                n += take;
                row += take * stride;
                y += take * major.y;
                room -= take;
                index += take;
                index -= index >= kStepTableSize ? kStepTableSize : 0;
            }
        }
        x_ = x;
        y_ = y;
        index_ = index;
        row_ = row;
        ended_ = ended;
        wordOut = word;
        count = n;
    }

    // Gather for a table that moves y by one at every step with side steps
    // too frequent for column gathers: a pixel per row, the row pointer
    // moving by one fixed stride, and the area tested only near its edge.
    void GatherDownColumns(std::uint64_t &wordOut, int &count) {
        const int yStep = column_->step.y;
        const Rect area = area_;
        const StepTable &table = *table_;
        const std::ptrdiff_t stride = -static_cast<std::ptrdiff_t>(yStep) * pitch_;
        const std::uint64_t lightMask = lightMask_;
        std::uint64_t word = wordOut;
        int n = count;
        int x = x_, index = index_;
        const std::uint8_t *row = row_;
        int room = yStep > 0 ? area.y1 - 1 - y_ : y_ - area.y0;  // steps before y leaves the area
        bool ended = false;
        while (n < 64) {
            // Steps that keep x inside whatever their side steps do.
            int steps = std::min(std::min(room, 64 - n), std::min(x - area.x0, area.x1 - 1 - x));
            if (steps <= 0) {
                const int nextX = x + kStepDx[table[static_cast<std::size_t>(index)]];
                if (room == 0 || nextX < area.x0 || nextX >= area.x1) {
                    ended = true;
                    break;
                }
                steps = 1;
            }
            // Up to the table's end at a time, so that the index needs no wrap
            // test; unrolled, the loop's own test is paid once for four pixels.
            for (int left = steps; left > 0;) {
                const int chunk = std::min(left, kStepTableSize - index);
#pragma GCC unroll 4
                for (int k = index; k < index + chunk; ++k) {
                    x += kStepDx[table[static_cast<std::size_t>(k)]];
                    row += stride;
                    word = (word << 1) | ((static_cast<unsigned>(row[x >> 3]) >> (7 - (x & 7))) & 1u);
                }
                index = index + chunk == kStepTableSize ? 0 : index + chunk;
                left -= chunk;
            }
            word ^= LowBits(steps) & lightMask;  // the pixels' bits taken as stored, turned to 1 = dark
            n += steps;
            room -= steps;
        }
        y_ += (n - count) * yStep;
        x_ = x;
        index_ = index;
        row_ = row;
        ended_ = ended;
        wordOut = word;
        count = n;
    }

    // The low `count` bits set, count 1 to 64.
    static std::uint64_t LowBits(int count) {
        return ~std::uint64_t{0} >> (64 - count);
    }

    std::uint64_t PixelBit() const {
        return ((static_cast<unsigned>(row_[x_ >> 3]) >> (7 - (x_ & 7))) ^ lightBit_) & 1u;
    }

    Rect area_;
    const StepTable *table_;
    PointI start_;
    int x_, y_;
    const std::uint8_t *row_;
    std::ptrdiff_t pitch_;
    unsigned lightBit_;
    std::uint64_t lightMask_ = lightBit_ != 0 ? ~std::uint64_t{0} : 0;  // lightBit_ in every bit
    std::ptrdiff_t rowStep_[8];
    const AxisWalk *axis_ = nullptr;     // runs of a table that walks along rows or columns
    const AxisWalk *column_ = nullptr;   // a steep table whose pixels are taken one per row
    const AxisWalk *offsets_ = nullptr;  // the table's pixel offsets, when the caller counted them
    int index_ = 0;
    std::uint64_t word_ = 0;
    std::uint64_t changes_ = 0;  // NextRunEnd: pixels of the word whose colour differs from the one before
    int wordStart_ = 0;
    int wordCount_ = 0;
    bool ended_ = false;
};

}  // namespace zr::lines
