// Row-run labelling: the dark runs of consecutive rows are joined into
// 8-connected regions, a region is closed as soon as no run of the next row
// continues it, and the closed regions within the limits are kept.
#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "core/grey.hpp"
#include "core/regions/regions.hpp"

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

// Writes the bounds of row y's dark runs between columns left and right
// (inclusive) as pairs: a run's first column and the column after its last.
// Eight bytes at a time, pixel k of the chunk in bit k: the changes between
// light and dark are the set bits of the chunk against itself shifted by one
// column, taken from the lowest. Every change is one bound, so no branch asks
// whether it opens or ends a run, and a chunk without a change costs a few
// operations. Columns outside [left, right] count as light, so that a run
// reaching the rectangle's edge ends at `right`. The sentinel pair
// (right + 2, right + 3) follows the runs. `bounds` holds right - left + 5
// values. Returns the number of runs.
int RowRunBounds(const BitImageView &view, int y, int left, int right, std::int32_t *bounds) {
    const std::uint8_t *row = view.Row(y);
    const std::uint64_t darkFlip = view.SetBitIsDark() ? 0 : ~std::uint64_t{0};  // makes a dark pixel a set bit
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
        std::uint64_t changes = dark ^ (dark << 1 | previousDark);
        previousDark = dark >> 63;
        const int column0 = byte * 8;
        while (changes != 0) {
            *out++ = column0 + __builtin_ctzll(changes);
            changes &= changes - 1;
        }
    }
    // A run reaching the last bit of the last chunk has no change after it.
    if ((out - bounds) & 1) *out++ = right + 1;
    out[0] = right + 2;
    out[1] = right + 3;
    return static_cast<int>(out - bounds) / 2;
}

// Room for the bounds of one row of the rectangle: at most one change per
// column plus the one after `right`, and the sentinel pair.
std::size_t RowBoundsCapacity(int left, int right) {
    return static_cast<std::size_t>(right - left) + 5;
}

}  // namespace

void ExtractRowRuns(const BitImageView &view, int y, int left, int right, std::vector<RowRun> &runs) {
    std::vector<std::int32_t> bounds(RowBoundsCapacity(left, right));
    const int count = RowRunBounds(view, y, left, right, bounds.data());
    runs.clear();
    for (int i = 0; i <= count; ++i) {
        const std::size_t k = 2 * static_cast<std::size_t>(i);
        runs.push_back({bounds[k], i < count ? bounds[k + 1] - 1 : bounds[k], -1});
    }
}

bool RegionPoolGrow(RegionList &list, int n) {
    if (n <= 0) return false;
    list.resize(list.size() + static_cast<std::size_t>(n));
    return true;
}

void RegionUnlink(RegionList &list, std::size_t index) {
    if (index < list.size()) list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
}

void RegionFreeBuffers(Region &region) {
    std::vector<std::int32_t>().swap(region.rowLeft);
    std::vector<std::int32_t>().swap(region.colTop);
    std::vector<std::int32_t>().swap(region.rowRight);
    std::vector<std::int32_t>().swap(region.colBottom);
}

void RegionListFree(RegionList &list) {
    RegionList().swap(list);
}

namespace {

// Orders the runs of all rows: row y's run that ends just before column
// `end` has the key (y, end); row -1 (above the first row) has no runs.
std::uint64_t RunKey(int y, std::int32_t end) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(y)) << 32 | static_cast<std::uint32_t>(end);
}

// What an open region holds: the fields of a Region that the labelling
// fills, without its outline arrays, so that the records a picture of
// speckle opens and closes by the million stay small. The start pixel lies
// on the top row, so only its column is kept.
struct OpenRegion {
    std::int32_t x0, x1, y0, startX;  // box (x1 one past the last column) and start column
    // Key of the region's last run so far: on the row above, the run where
    // the region closes when no run of this row continues it.
    std::uint64_t lastRun;
    std::int64_t darkPixels;
};

// Open regions of one labelling. A region absorbed into another forwards to
// it, so that a merge need not relabel the runs that name it: runs name their
// region through Find. The runs of one row are looked at while the next row
// is labelled, so a record forwarded in row y is released when row y + 2
// begins; one closed is released at once (no run names it any more).
class RegionPool {
  public:
    int Take() {
        if (free_ < 0) Grow();
        const int index = free_;
        free_ = forward_[Slot(index)];
        forward_[Slot(index)] = index;
        return index;
    }
    void Release(int index) {
        forward_[Slot(index)] = free_;
        free_ = index;
    }
    // `from` now forwards to `into`; released two rows on.
    void Forward(int from, int into, int y) {
        forward_[Slot(from)] = into;
        forwarded_[Parity(y)].push_back(from);
    }
    // The open region a run's index stands for.
    int Find(int index) {
        std::int32_t *forward = forward_.data();
        while (forward[index] != index) {
            const int next = forward[index];
            forward[index] = forward[next];  // halves the path
            index = next;
        }
        return index;
    }
    // At the start of row y: the records forwarded in row y - 2, which no run names any more.
    void ReleaseForwarded(int y) {
        std::vector<int> &list = forwarded_[Parity(y)];
        for (const int index : list) Release(index);
        list.clear();
    }
    OpenRegion &operator[](int index) { return records_[Slot(index)]; }

  private:
    static std::size_t Slot(int index) { return static_cast<std::size_t>(index); }
    static std::size_t Parity(int y) { return static_cast<std::size_t>(y & 1); }
    // The pool grows by blocks: kFirstPoolBlock, then doubling up to kPoolBlock.
    void Grow() {
        static_assert(kFirstPoolBlock > 0 && kFirstPoolBlock <= kPoolBlock, "the pool grows by whole blocks");
        const std::size_t first = records_.size();
        const std::size_t block = std::clamp(first, static_cast<std::size_t>(kFirstPoolBlock), static_cast<std::size_t>(kPoolBlock));
        records_.resize(first + block);
        forward_.resize(first + block);
        for (std::size_t i = records_.size(); i > first; --i) Release(static_cast<int>(i - 1));
    }
    std::vector<OpenRegion> records_;
    // Apart from the records, so that Find reads a dense array: the record
    // itself while the region is open, the region it was absorbed into once
    // forwarded, the next free record once released.
    std::vector<std::int32_t> forward_;
    int free_ = -1;  // first free record, -1 when none
    std::array<std::vector<int>, 2> forwarded_;  // by the parity of the row they were forwarded in
};

bool SizeWithinLimits(const geom::Rect &box, const RegionSearch &search) {
    const std::int32_t width = box.Width();
    const std::int32_t height = box.Height();
    if (search.minWidth != 0 && width < search.minWidth) return false;
    if (search.maxWidth != 0 && width > search.maxWidth) return false;
    if (search.minHeight != 0 && height < search.minHeight) return false;
    if (search.maxHeight != 0 && height > search.maxHeight) return false;
    return true;
}

bool WithinLimits(const Region &r, const RegionSearch &search) {
    if (!SizeWithinLimits(r.box, search)) return false;
    if (search.minDensity != 0 && r.fill < search.minDensity) return false;
    if (search.maxDensity != 0 && r.fill > search.maxDensity) return false;
    return true;
}

// The runs of one row: bounds pairs (first column, one past the last) with
// the sentinel pair after them, and the region each run names.
struct RowRuns {
    std::vector<std::int32_t> bounds;
    std::vector<std::int32_t> regions;
    int count = 0;
};

// One pass over each row's runs beside the previous row's. A run of the row
// above touching no run of this row is dead; a region closes at its last run
// of the row above when no run of this row continued it.
class Labeller {
  public:
    Labeller(const BitImageView &view, RegionSearch &search, int left, int right)
        : view_(view), search_(search), left_(left), right_(right) {
        for (RowRuns *runs : {&previous_, &current_}) {
            runs->bounds.resize(RowBoundsCapacity(left, right));
            runs->regions.resize(static_cast<std::size_t>(right - left) / 2 + 2);
            runs->bounds[0] = right + 2;  // the sentinel of an empty row
            runs->bounds[1] = right + 3;
        }
    }

    void Row(int y, bool last) {
        pool_.ReleaseForwarded(y);
        std::int32_t *bounds = current_.bounds.data();
        std::int32_t *regions = current_.regions.data();
        const int count = last ? 0 : RowRunBounds(view_, y, left_, right_, bounds);
        if (last) {
            bounds[0] = right_ + 2;
            bounds[1] = right_ + 3;
        }
        current_.count = count;
        const std::int32_t *above = previous_.bounds.data();
        const std::int32_t *aboveRegions = previous_.regions.data();
        const std::uint64_t rowKey = RunKey(y, 0), aboveKey = RunKey(y - 1, 0);
        // Run q is bounds[2q], bounds[2q + 1]; run p above is above[2p], above[2p + 1].
        std::size_t p = 0;
        for (std::size_t q = 0; q < static_cast<std::size_t>(count); ++q) {
            const std::int32_t start = bounds[2 * q], end = bounds[2 * q + 1];
            for (; above[2 * p + 1] < start; ++p) Dead(aboveRegions[p], aboveKey | above[2 * p + 1], y);
            if (above[2 * p] > end) {
                regions[q] = Open(start, end, rowKey);
                continue;
            }
            // Every run above from p on that touches this run joins its region.
            int region = pool_.Find(aboveRegions[p]);
            for (; above[2 * p + 2] <= end; ++p) region = Merge(region, pool_.Find(aboveRegions[p + 1]), y);
            Continue(region, start, end, rowKey);
            regions[q] = region;
            // The last touching run stays for the next run of this row if it reaches it.
            if (above[2 * p + 1] < bounds[2 * q + 2]) ++p;
        }
        for (; p < static_cast<std::size_t>(previous_.count); ++p) Dead(aboveRegions[p], aboveKey | above[2 * p + 1], y);
        std::swap(previous_, current_);
    }

  private:
    // A run above, of key `key`, that no run of this row touches.
    void Dead(int named, std::uint64_t key, int y) {
        const int index = pool_.Find(named);
        if (pool_[index].lastRun == key) Close(index, y);
    }

    int Open(std::int32_t start, std::int32_t end, std::uint64_t rowKey) {
        const int index = pool_.Take();
        OpenRegion &r = pool_[index];
        r.x0 = start;
        r.x1 = end;
        r.y0 = static_cast<std::int32_t>(rowKey >> 32);
        r.startX = start;
        r.lastRun = rowKey | static_cast<std::uint32_t>(end);
        r.darkPixels = end - start;
        return index;
    }

    // The run continues the region; later runs of this row lie further right.
    void Continue(int index, std::int32_t start, std::int32_t end, std::uint64_t rowKey) {
        OpenRegion &r = pool_[index];
        r.x0 = std::min(r.x0, start);
        r.x1 = std::max(r.x1, end);
        r.lastRun = rowKey | static_cast<std::uint32_t>(end);
        r.darkPixels += end - start;
    }

    // Two regions meet below: `from` (the left) is joined to `into` (the
    // start pixel is `into`'s unless `from` starts higher). The record with
    // more dark pixels keeps the union and the other forwards to it, so that
    // a large region meeting many small ones is not forwarded again and
    // again. The run that joins them continues the union next, which sets its
    // last run. Returns the union's record.
    int Merge(int from, int into, int y) {
        if (from == into) return into;
        OpenRegion &a = pool_[from];
        OpenRegion &b = pool_[into];
        const bool keepFrom = a.darkPixels > b.darkPixels;
        OpenRegion &kept = keepFrom ? a : b;
        kept.startX = a.y0 < b.y0 ? a.startX : b.startX;
        kept.y0 = std::min(a.y0, b.y0);
        kept.x0 = std::min(a.x0, b.x0);
        kept.x1 = std::max(a.x1, b.x1);
        kept.darkPixels = a.darkPixels + b.darkPixels;
        const int keptIndex = keepFrom ? from : into;
        pool_.Forward(keepFrom ? into : from, keptIndex, y);
        return keptIndex;
    }

    void Close(int index, int y) {
        const OpenRegion &open = pool_[index];
        closing_.box = {open.x0, open.y0, open.x1, y};
        // The size limits come first in WithinLimits: a region they reject
        // (most of a speckled picture's) needs no fill.
        if (SizeWithinLimits(closing_.box, search_)) {
            closing_.start = {open.startX, open.y0};
            closing_.fill = static_cast<double>(open.darkPixels) /
                            (static_cast<double>(closing_.Height()) * static_cast<double>(closing_.Width()));
            if (WithinLimits(closing_, search_)) {
                search_.regions.push_back(closing_);
                if (search_.traceOutlines) RegionOutline(view_, search_.regions.back());
            }
        }
        pool_.Release(index);
    }

    const BitImageView &view_;
    RegionSearch &search_;
    int left_, right_;
    RegionPool pool_;
    RowRuns previous_, current_;
    Region closing_;  // a closed region while it is tested against the limits (its arrays stay empty)
};

}  // namespace

void LabelRegions(ZrImage &image, RegionSearch &search) {
    RegionListFree(search.regions);
    if (image.bitsPerPixel != 1 || image.bits == nullptr || image.width == 0 || image.height == 0) return;
    const BitImageView view(image);
    const int left = std::max(0, static_cast<int>(search.bounds.x0));
    const int top = std::max(0, static_cast<int>(search.bounds.y0));
    const int right = std::min(static_cast<int>(search.bounds.x1), view.Width() - 1);
    const int bottom = std::min(static_cast<int>(search.bounds.y1), view.Height() - 1);
    ImageClearBorder(&image);
    if (left > right || top > bottom) return;
    Labeller labeller(view, search, left, right);
    for (int y = top; y <= bottom; ++y) labeller.Row(y, y == bottom);
    // Kept regions were appended as they closed; the answer lists the last closed first.
    std::reverse(search.regions.begin(), search.regions.end());
}

}  // namespace zr::regions
