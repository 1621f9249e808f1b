// The pixels met walking a step table from a start point, gathered 64 at a
// time into a word (bit 63 first, 1 = dark) so that runs of one colour are
// found with a count of leading zeros instead of a branch per pixel. The
// walk ends where its next step would leave the area.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "core/geom/geom.hpp"
#include "core/image_view.hpp"
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
    bool Ended() const { return ended_; }
    // Pixels gathered so far: all of the walk's once Ended().
    int Walked() const { return wordStart_ + wordCount_; }

    // Position of pixel i, from the table's sums.
    PointI At(int i) const {
        PointI cycle{0, 0}, part{0, 0};
        const int rest = i % kStepTableSize;
        for (int k = 0; k < kStepTableSize; ++k) {
            const PointI v = StepVector((*table_)[static_cast<std::size_t>(k)]);
            cycle += v;
            if (k < rest) part += v;
        }
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
            for (int k = std::min(safe, 64 - n); k > 0; --k, ++n) {
                const std::uint8_t code = codes[index];
                index = index + 1 == kStepTableSize ? 0 : index + 1;
                x += kStepDx[code];
                y += kStepDy[code];
                row += rowStep_[code];
                word =
                    (word << 1) | (((static_cast<unsigned>(row[x >> 3]) >> (7 - (x & 7))) ^ lightBit_) & 1u);
            }
            x_ = x;
            y_ = y;
            index_ = index;
            row_ = row;
        }
        wordCount_ = n;
        word_ = n == 0 ? 0 : word << (64 - n);
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
    std::ptrdiff_t rowStep_[8];
    int index_ = 0;
    std::uint64_t word_ = 0;
    int wordStart_ = 0;
    int wordCount_ = 0;
    bool ended_ = false;
};

}  // namespace zr::lines
