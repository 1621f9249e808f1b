// Row-run labelling: the dark runs of consecutive rows are joined into
// 8-connected regions, a region is closed as soon as no run of the next row
// continues it, and the closed regions within the limits are kept.
#include <algorithm>
#include <cstring>
#include <utility>

#include "core/grey.hpp"
#include "core/regions/regions.hpp"

namespace zr::regions {

namespace {

// Eight bytes loaded in memory order, as a word whose top byte is the first.
std::uint64_t BigEndianWord(std::uint64_t loaded) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return loaded;
#else
    return __builtin_bswap64(loaded);
#endif
}

}  // namespace

// A byte at a time: the changes between light and dark within a byte are the
// set bits of the byte against itself shifted by one column, found from the
// left by their leading zeros. Columns outside [left, right] count as light,
// so that a run reaching the rectangle's edge ends at `right`.
void ExtractRowRuns(const BitImageView &view, int y, int left, int right, std::vector<RowRun> &runs) {
    runs.clear();
    const std::uint8_t *row = view.Row(y);
    const std::uint64_t darkFlip = view.SetBitIsDark() ? 0 : ~std::uint64_t{0};  // makes a dark pixel a set bit
    constexpr int kChunkBytes = 8;
    const int firstByte = left >> 3, lastByte = right >> 3;
    std::uint64_t previousDark = 0;  // the column before the chunk, as its lowest bit
    bool inRun = false;
    int start = 0;
    // Eight bytes at a time, the leftmost pixel in the top bit: a chunk
    // without a change between dark and light costs a few operations.
    for (int byte = firstByte; byte <= lastByte; byte += kChunkBytes) {
        const int count = std::min(kChunkBytes, lastByte - byte + 1);
        std::uint64_t dark = 0;
        if (count == kChunkBytes) {
            std::memcpy(&dark, row + byte, kChunkBytes);
            dark = BigEndianWord(dark);
        } else {
            for (int i = 0; i < count; ++i) dark |= std::uint64_t{row[byte + i]} << (56 - 8 * i);
        }
        dark ^= darkFlip;
        if (byte == firstByte) dark &= ~std::uint64_t{0} >> (left & 7);
        const int lastBit = right - 8 * byte;  // pixels after it (right's, or the chunk's padding) stay light
        if (lastBit < 63) dark &= ~(~std::uint64_t{0} >> (lastBit + 1));
        std::uint64_t changes = dark ^ (dark >> 1 | previousDark << 63);
        previousDark = dark & 1u;
        while (changes != 0) {
            const int bit = __builtin_clzll(changes);
            const int column = byte * 8 + bit;
            if (inRun)
                runs.push_back({start, column - 1, -1});
            else
                start = column;
            inRun = !inRun;
            changes &= ~(std::uint64_t{1} << (63 - bit));
        }
    }
    if (inRun) runs.push_back({start, right, -1});
    runs.push_back({right + 2, right + 2, -1});
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

// Open regions of one labelling. Records are reused through a free list;
// each carries the number of runs of the previous and of the current row
// that point at it, so that closing needs no count over the row. A region
// absorbed into another forwards to it until the row ends, so that a merge
// need not relabel the runs that point at it: runs name their region
// through Find.
// What an open region holds: the fields of a Region that the labelling
// fills, without its outline arrays, so that the records a picture of
// speckle opens and closes by the million stay small.
struct OpenRegion {
    geom::Rect box;
    geom::PointI start;
    std::int64_t darkPixels = 0;
};

class RegionPool {
  public:
    int Take() {
        if (free_.empty()) {
            const std::size_t first = records_.size();
            static_assert(kFirstPoolBlock > 0 && kFirstPoolBlock <= kPoolBlock, "the pool grows by whole blocks");
            const std::size_t block = std::clamp(records_.size(), static_cast<std::size_t>(kFirstPoolBlock),
                                                 static_cast<std::size_t>(kPoolBlock));
            records_.resize(records_.size() + block);
            previousRuns_.resize(records_.size(), 0);
            currentRuns_.resize(records_.size(), 0);
            forward_.resize(records_.size(), 0);
            for (std::size_t i = records_.size(); i > first; --i) free_.push_back(static_cast<int>(i - 1));
        }
        const int index = free_.back();
        free_.pop_back();
        previousRuns_[Slot(index)] = currentRuns_[Slot(index)] = 0;
        forward_[Slot(index)] = index;
        return index;
    }
    // The record is left as it is: Open writes every field a later region reads.
    void Release(int index) { free_.push_back(index); }
    // `from` now forwards to `into`; it is released by ReleaseForwarded.
    void Forward(int from, int into) {
        forward_[Slot(from)] = into;
        forwarded_.push_back(from);
    }
    // The open region a run's index stands for (-1 stays -1).
    int Find(int index) {
        if (index < 0) return index;
        while (forward_[Slot(index)] != index) {
            const int next = forward_[Slot(index)];
            forward_[Slot(index)] = forward_[Slot(next)];  // halves the path
            index = next;
        }
        return index;
    }
    // Once no run names a forwarding region any more.
    void ReleaseForwarded() {
        for (const int index : forwarded_) Release(index);
        forwarded_.clear();
    }
    OpenRegion &operator[](int index) { return records_[Slot(index)]; }
    int &PreviousRuns(int index) { return previousRuns_[Slot(index)]; }
    int &CurrentRuns(int index) { return currentRuns_[Slot(index)]; }

  private:
    static std::size_t Slot(int index) { return static_cast<std::size_t>(index); }
    std::vector<OpenRegion> records_;
    std::vector<int> previousRuns_, currentRuns_;
    std::vector<int> forward_;    // itself for an open region, else the region it was absorbed into
    std::vector<int> free_, forwarded_;
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

class Labeller {
  public:
    Labeller(const BitImageView &view, RegionSearch &search, int left, int right)
        : view_(view), search_(search), left_(left), right_(right) {
        const auto capacity = static_cast<std::size_t>(right - left) + 2;
        previous_.reserve(capacity);
        current_.reserve(capacity);
        previous_.push_back(Sentinel());
    }

    void Row(int y, bool last) {
        if (last) {
            current_.clear();
            current_.push_back(Sentinel());
        } else {
            ExtractRowRuns(view_, y, left_, right_, current_);
        }
        std::size_t p = 0, q = 0;
        while (!(IsSentinel(previous_[p]) && IsSentinel(current_[q]))) {
            RowRun &pr = previous_[p];
            RowRun &qr = current_[q];
            pr.region = pool_.Find(pr.region);
            if (qr.end + 1 < pr.start) {
                Open(qr, y);
                ++q;
            } else if (pr.end + 1 < qr.start) {
                if (pr.region >= 0) {
                    int &runs = pool_.PreviousRuns(pr.region);
                    if (runs == 1) Close(pr.region, y);
                    --runs;
                    pr.region = -1;
                }
                ++p;
            } else if (pr.end + 1 < current_[q + 1].start) {
                if (qr.end + 1 >= previous_[p + 1].start) {
                    Merge(pr.region, pool_.Find(previous_[p + 1].region));
                    ++p;
                } else {
                    Continue(qr, pr.region, true);
                    ++p;
                    ++q;
                }
            } else {
                Continue(qr, pr.region, false);
                ++q;
            }
        }
        // This row's counts become the previous row's: moved once per region
        // (a region's count is never 0 while a run of this row names it).
        for (RowRun &run : current_) {
            run.region = pool_.Find(run.region);
            if (run.region < 0) continue;
            int &current = pool_.CurrentRuns(run.region);
            if (current == 0) continue;
            pool_.PreviousRuns(run.region) = current;
            current = 0;
        }
        pool_.ReleaseForwarded();
        std::swap(previous_, current_);
    }

  private:
    RowRun Sentinel() const { return {right_ + 2, right_ + 2, -1}; }
    bool IsSentinel(const RowRun &run) const { return run.start == right_ + 2; }

    void Open(RowRun &run, int y) {
        const int index = pool_.Take();
        OpenRegion &r = pool_[index];
        r.box.y0 = y;
        r.box.x0 = run.start;
        r.box.x1 = run.end + 1;
        r.start = {run.start, y};
        r.darkPixels = run.end - run.start + 1;
        run.region = index;
        pool_.CurrentRuns(index) = 1;
    }

    // The run continues a region; `extendRight` when it is the last run touching it.
    void Continue(RowRun &run, int index, bool extendRight) {
        OpenRegion &r = pool_[index];
        run.region = index;
        r.box.x0 = std::min(r.box.x0, run.start);
        if (extendRight) r.box.x1 = std::max(r.box.x1, run.end + 1);
        r.darkPixels += run.end - run.start + 1;
        ++pool_.CurrentRuns(index);
    }

    // Two regions meet below: `from` is joined to `into` (the start pixel is
    // `into`'s unless `from` starts higher). The record that more runs name
    // keeps the union and the other forwards to it, so that a large region
    // meeting many small ones is not forwarded again and again.
    void Merge(int from, int into) {
        if (from == into || from < 0 || into < 0) return;
        const OpenRegion &a = pool_[from];
        const OpenRegion &b = pool_[into];
        OpenRegion joined = b;
        joined.box.y0 = std::min(b.box.y0, a.box.y0);
        joined.box.x0 = std::min(b.box.x0, a.box.x0);
        joined.box.x1 = std::max(b.box.x1, a.box.x1);
        if (a.start.y < b.start.y) joined.start = a.start;
        joined.darkPixels = b.darkPixels + a.darkPixels;
        const int fromRuns = pool_.PreviousRuns(from) + pool_.CurrentRuns(from);
        const int intoRuns = pool_.PreviousRuns(into) + pool_.CurrentRuns(into);
        const int kept = fromRuns > intoRuns ? from : into;
        const int gone = kept == from ? into : from;
        pool_[kept] = joined;
        pool_.PreviousRuns(kept) += pool_.PreviousRuns(gone);
        pool_.CurrentRuns(kept) += pool_.CurrentRuns(gone);
        pool_.Forward(gone, kept);
    }

    void Close(int index, int y) {
        OpenRegion &open = pool_[index];
        closing_.box = open.box;
        closing_.box.y1 = y;
        // The size limits come first in WithinLimits: a region they reject
        // (most of a speckled picture's) needs no fill.
        if (!SizeWithinLimits(closing_.box, search_)) {
            pool_.Release(index);
            return;
        }
        closing_.start = open.start;
        closing_.fill = static_cast<double>(open.darkPixels) / (static_cast<double>(closing_.Height()) * static_cast<double>(closing_.Width()));
        if (WithinLimits(closing_, search_)) {
            search_.regions.push_back(closing_);
            if (search_.traceOutlines) RegionOutline(view_, search_.regions.back());
        }
        pool_.Release(index);
    }

    const BitImageView &view_;
    RegionSearch &search_;
    int left_, right_;
    RegionPool pool_;
    std::vector<RowRun> previous_, current_;
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
