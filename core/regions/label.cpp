// Row-run labelling: the dark runs of consecutive rows are joined into
// 8-connected regions, a region is closed as soon as no run of the next row
// continues it, and the closed regions within the limits are kept.
#include <algorithm>
#include <array>
#include <limits>
#include <new>
#include <utility>

#include "core/grey.hpp"
#include "core/regions/regions.hpp"
#include "core/regions/row_runs.hpp"

namespace zr::regions {

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

// Key of row y's run that ends just before column `end`: the column and the
// row's parity. Only keys of a row and of the row above are ever compared,
// and a region open at row y has a run on row y - 1 (else it closed there),
// so the parity tells the two rows apart.
std::uint32_t RunKey(int y, std::int32_t end) {
    return static_cast<std::uint32_t>(end) << 1 | static_cast<std::uint32_t>(y & 1);
}

// What an open region holds: the fields of a Region that the labelling
// fills, without its outline arrays, so that the records a picture of
// noise opens and closes by the million stay small (32 bytes). The start
// pixel lies on the top row, so only its column is kept.
struct OpenRegion;
// A record named by its byte offset in the pool: the row loop reaches a
// record, and tests whether it forwards, without scaling an index.
using RecordRef = std::uint32_t;
constexpr RecordRef kNoRecord = std::numeric_limits<RecordRef>::max();

struct OpenRegion {
    std::int32_t x0, x1, y0, startX;  // box (x1 one past the last column) and start column
    // The key of the region's last run so far: on the row above, the run
    // where the region closes when no run of this row continues it.
    std::uint32_t lastRun;
    // The record itself while the region is open; the region it was absorbed
    // into once forwarded; the next free record once released.
    RecordRef forward;
    std::int64_t darkPixels;
};

// The record at `ref` of the records starting at `base`.
OpenRegion &RecordAt(OpenRegion *base, RecordRef ref) {
    return *reinterpret_cast<OpenRegion *>(reinterpret_cast<char *>(base) + ref);
}

// Open regions of one labelling. A region absorbed into another forwards to
// it, so that a merge need not relabel the runs that name it: runs name their
// region through Find. The runs of one row are looked at while the next row
// is labelled, so a record forwarded in row y is released when row y + 2
// begins; one closed is released at once (no run names it any more).
class RegionPool {
  public:
    RecordRef Take() {
        if (free_ == kNoRecord) Grow();
        const RecordRef ref = free_;
        OpenRegion &r = (*this)[ref];
        free_ = r.forward;
        r.forward = ref;
        return ref;
    }
    void Release(RecordRef ref) {
        (*this)[ref].forward = free_;
        free_ = ref;
    }
    // `from` now forwards to `into`; released two rows on.
    void Forward(RecordRef from, RecordRef into, int y) {
        (*this)[from].forward = into;
        forwarded_[Parity(y)].push_back(from);
    }
    // At the start of row y: the records forwarded in row y - 2, which no run names any more.
    void ReleaseForwarded(int y) {
        std::vector<RecordRef> &list = forwarded_[Parity(y)];
        for (const RecordRef ref : list) Release(ref);
        list.clear();
    }
    OpenRegion &operator[](RecordRef ref) { return RecordAt(records_.data(), ref); }
    // Moves when Take grows the pool.
    OpenRegion *Records() { return records_.data(); }

  private:
    static std::size_t Parity(int y) { return static_cast<std::size_t>(y & 1); }
    // The pool grows by blocks: kFirstPoolBlock, then doubling up to kPoolBlock.
    __attribute__((noinline)) void Grow() {
        static_assert(kFirstPoolBlock > 0 && kFirstPoolBlock <= kPoolBlock, "the pool grows by whole blocks");
        const std::size_t first = records_.size();
        const std::size_t block = std::clamp(first, static_cast<std::size_t>(kFirstPoolBlock), static_cast<std::size_t>(kPoolBlock));
        if (first + block > kNoRecord / sizeof(OpenRegion)) throw std::bad_alloc();
        records_.resize(first + block);
        for (std::size_t i = records_.size(); i > first; --i) Release(static_cast<RecordRef>((i - 1) * sizeof(OpenRegion)));
    }
    std::vector<OpenRegion> records_;
    RecordRef free_ = kNoRecord;  // first free record
    std::array<std::vector<RecordRef>, 2> forwarded_;  // by the parity of the row they were forwarded in
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
    std::vector<RecordRef> regions;
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
        const int count = last ? 0 : RowRunBounds(view_, y, left_, right_, bounds);
        if (last) {
            bounds[0] = right_ + 2;
            bounds[1] = right_ + 3;
        }
        current_.count = count;
        LinkRuns(y, count, bounds, current_.regions.data());
        std::swap(previous_, current_);
    }

  private:
    // Joins the `count` runs of row y (bounds pairs from `bounds`) to the
    // runs above and names each run's region in `regions`. The pool's
    // records are held in a local, taken again after Open, the one call that
    // may grow them (record refs stay valid).
    //
    // Consecutive runs of one region (most of a noisy picture's runs join
    // one large region) are summed in locals, the pending continuation, and
    // added to the record once the runs move on to another region, and at the
    // end of the row. A merge in between joins the records without them (the
    // box and the count are a minimum, a maximum and a sum, so the order does
    // not matter), and the pending runs then belong to the union. Only a dead
    // run above reads a record's last run in between, and a pending region
    // was continued on this row, so it cannot close there.
    __attribute__((noinline)) void LinkRuns(int y, int count, const std::int32_t *bounds, RecordRef *regions) {
        const std::int32_t *above = previous_.bounds.data();  // the run above: above[0], above[1]
        const RecordRef *aboveRegion = previous_.regions.data();
        const std::int32_t *aboveEnd = above + 2 * static_cast<std::ptrdiff_t>(previous_.count);
        const std::int32_t *const boundsEnd = bounds + 2 * static_cast<std::ptrdiff_t>(count);
        OpenRegion *records = pool_.Records();
        const auto find = [&records](RecordRef ref) {
            while (RecordAt(records, ref).forward != ref) {
                const RecordRef next = RecordAt(records, ref).forward;
                RecordAt(records, ref).forward = RecordAt(records, next).forward;  // halves the path
                ref = next;
            }
            return ref;
        };
        RecordRef pending = kNoRecord;
        std::int32_t pendingStart = 0, pendingEnd = 0;  // the first run's start, the last run's end
        std::int32_t pendingPixels = 0;  // runs of one row: at most its width
        const auto flush = [&]() {
            if (pending == kNoRecord) return;
            OpenRegion &r = RecordAt(records, pending);
            r.x0 = std::min(r.x0, pendingStart);
            r.x1 = std::max(r.x1, pendingEnd);
            r.lastRun = RunKey(y, pendingEnd);
            r.darkPixels += pendingPixels;
            pending = kNoRecord;
        };
        // A run above that no run of this row touches: the region closes at
        // its last run when no run of this row continued it.
        const auto dead = [&]() {
            const RecordRef ref = find(*aboveRegion);
            if (__builtin_expect(ref != pending && RecordAt(records, ref).lastRun == RunKey(y - 1, above[1]), 0)) Close(ref, y);
        };
        for (; bounds != boundsEnd; bounds += 2, ++regions) {
            const std::int32_t start = bounds[0], end = bounds[1];
            for (; above[1] < start; above += 2, ++aboveRegion) dead();
            if (__builtin_expect(above[0] > end, 0)) {  // touches no run above
                *regions = Open(start, end, y);
                records = pool_.Records();
                continue;
            }
            // Every run above from this one on that touches this run joins its
            // region. On noise a second such run comes about every third time,
            // past any guess: it is taken without a branch (the first run again
            // when there is none), and the loop takes a third and later ones.
            // A run above naming the first one's record is in its region.
            const RecordRef first = *aboveRegion;
            RecordRef region = find(first);
            const auto join = [&](RecordRef other) {
                if (__builtin_expect(other == region, 1)) return;
                const RecordRef kept = Merge(region, other, y);
                if (pending == region || pending == other) pending = kept;  // its runs join the union
                region = kept;
            };
            const auto second = static_cast<std::ptrdiff_t>(above[2] <= end);
            if (__builtin_expect(aboveRegion[second] != first, 0)) join(find(aboveRegion[second]));
            above += 2 * second;
            aboveRegion += second;
            for (; above[2] <= end; above += 2, ++aboveRegion) join(find(aboveRegion[1]));
            // The run continues the region; later runs of this row lie further right.
            if (__builtin_expect(region != pending, 0)) {
                flush();
                pending = region;
                pendingStart = start;
                pendingPixels = 0;
            }
            pendingEnd = end;
            pendingPixels += end - start;
            *regions = region;
            // The last touching run stays for the next run of this row if it
            // reaches it: half the time on noise, so stepped without a branch.
            const auto passed = static_cast<std::ptrdiff_t>(above[1] < bounds[2]);
            above += 2 * passed;
            aboveRegion += passed;
        }
        flush();
        for (; above != aboveEnd; above += 2, ++aboveRegion) dead();
    }

    RecordRef Open(std::int32_t start, std::int32_t end, int y) {
        const RecordRef ref = pool_.Take();
        OpenRegion &r = pool_[ref];
        r.x0 = start;
        r.x1 = end;
        r.y0 = y;
        r.startX = start;
        r.lastRun = RunKey(y, end);
        r.darkPixels = end - start;
        return ref;
    }

    // Two regions meet below: `from` (the left) is joined to `into` (the
    // start pixel is `into`'s unless `from` starts higher). The record with
    // more dark pixels keeps the union and the other forwards to it, so that
    // a large region meeting many small ones is not forwarded again and
    // again. The run that joins them continues the union next, which sets its
    // last run. Returns the union's record. Out of line, as the row loop
    // calls it rarely.
    __attribute__((noinline)) RecordRef Merge(RecordRef from, RecordRef into, int y) {
        OpenRegion &a = pool_[from];
        OpenRegion &b = pool_[into];
        const bool keepFrom = a.darkPixels > b.darkPixels;
        OpenRegion &kept = keepFrom ? a : b;
        kept.startX = a.y0 < b.y0 ? a.startX : b.startX;
        kept.y0 = std::min(a.y0, b.y0);
        kept.x0 = std::min(a.x0, b.x0);
        kept.x1 = std::max(a.x1, b.x1);
        kept.darkPixels = a.darkPixels + b.darkPixels;
        const RecordRef keptRef = keepFrom ? from : into;
        pool_.Forward(keepFrom ? into : from, keptRef, y);
        return keptRef;
    }

    // Out of line: most regions of a noisy picture close, and the row loop stays small.
    __attribute__((noinline)) void Close(RecordRef ref, int y) {
        const OpenRegion &open = pool_[ref];
        closing_.box = {open.x0, open.y0, open.x1, y};
        // The size limits come first in WithinLimits: a region they reject
        // (most of a noisy picture's) needs no fill.
        if (SizeWithinLimits(closing_.box, search_)) {
            closing_.start = {open.startX, open.y0};
            closing_.fill = static_cast<double>(open.darkPixels) /
                            (static_cast<double>(closing_.Height()) * static_cast<double>(closing_.Width()));
            if (WithinLimits(closing_, search_)) {
                search_.regions.push_back(closing_);
                if (search_.traceOutlines) RegionOutline(view_, search_.regions.back());
            }
        }
        pool_.Release(ref);
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
