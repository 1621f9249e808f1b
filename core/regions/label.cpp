// Row-run labelling: the dark runs of consecutive rows are joined into
// 8-connected regions, a region is closed as soon as no run of the next row
// continues it, and the closed regions within the limits are kept.
#include <algorithm>
#include <utility>

#include "core/grey.hpp"
#include "core/regions/regions.hpp"

namespace zr::regions {

void ExtractRowRuns(const BitImageView &view, int y, int left, int right, std::vector<RowRun> &runs) {
    runs.clear();
    const std::uint8_t *row = view.Row(y);
    const std::uint8_t darkBits = view.SetBitIsDark() ? 0xFF : 0x00;  // a byte of eight dark pixels
    const auto lightBits = static_cast<std::uint8_t>(~darkBits);
    const int width = view.Width();
    bool inRun = false;
    int start = 0;
    int x = left;
    while (x <= right) {
        if ((x & 7) == 0 && row[x >> 3] == (inRun ? darkBits : lightBits)) {
            x = std::min(x + 8, width);
            continue;
        }
        const bool dark = ((((row[x >> 3] ^ lightBits) >> (7 - (x & 7))) & 1) != 0);
        if (dark != inRun) {
            if (dark) {
                start = x;
            } else {
                runs.push_back({start, x - 1, -1});
            }
            inRun = dark;
        }
        ++x;
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
// that point at it, so that closing needs no count over the row.
class RegionPool {
  public:
    int Take() {
        if (free_.empty()) {
            const std::size_t first = records_.size();
            static_assert(kPoolBlock > 0, "the pool grows by whole blocks");
            RegionPoolGrow(records_, kPoolBlock);
            previousRuns_.resize(records_.size(), 0);
            currentRuns_.resize(records_.size(), 0);
            for (std::size_t i = records_.size(); i > first; --i) free_.push_back(static_cast<int>(i - 1));
        }
        const int index = free_.back();
        free_.pop_back();
        previousRuns_[Slot(index)] = currentRuns_[Slot(index)] = 0;
        return index;
    }
    void Release(int index) {
        records_[Slot(index)] = Region{};
        free_.push_back(index);
    }
    Region &operator[](int index) { return records_[Slot(index)]; }
    int &PreviousRuns(int index) { return previousRuns_[Slot(index)]; }
    int &CurrentRuns(int index) { return currentRuns_[Slot(index)]; }

  private:
    static std::size_t Slot(int index) { return static_cast<std::size_t>(index); }
    RegionList records_;
    std::vector<int> previousRuns_, currentRuns_;
    std::vector<int> free_;
};

bool WithinLimits(const Region &r, const RegionSearch &search) {
    const std::int32_t width = r.Width();
    const std::int32_t height = r.Height();
    if (search.minWidth != 0 && width < search.minWidth) return false;
    if (search.maxWidth != 0 && width > search.maxWidth) return false;
    if (search.minHeight != 0 && height < search.minHeight) return false;
    if (search.maxHeight != 0 && height > search.maxHeight) return false;
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
                    Merge(pr.region, previous_[p + 1].region, q);
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
        for (const RowRun &run : current_)
            if (run.region >= 0) pool_.PreviousRuns(run.region) = pool_.CurrentRuns(run.region);
        for (const RowRun &run : current_)
            if (run.region >= 0) pool_.CurrentRuns(run.region) = 0;
        std::swap(previous_, current_);
    }

  private:
    RowRun Sentinel() const { return {right_ + 2, right_ + 2, -1}; }
    bool IsSentinel(const RowRun &run) const { return run.start == right_ + 2; }

    void Open(RowRun &run, int y) {
        const int index = pool_.Take();
        Region &r = pool_[index];
        r.box.y0 = y;
        r.box.x0 = run.start;
        r.box.x1 = run.end + 1;
        r.start = {run.start, y};
        r.fill = run.end - run.start + 1;
        run.region = index;
        pool_.CurrentRuns(index) = 1;
    }

    // The run continues a region; `extendRight` when it is the last run touching it.
    void Continue(RowRun &run, int index, bool extendRight) {
        Region &r = pool_[index];
        run.region = index;
        r.box.x0 = std::min(r.box.x0, run.start);
        if (extendRight) r.box.x1 = std::max(r.box.x1, run.end + 1);
        r.fill += run.end - run.start + 1;
        ++pool_.CurrentRuns(index);
    }

    // Two regions meet below: `from` is absorbed into `into`.
    void Merge(int from, int into, std::size_t currentDone) {
        if (from == into || from < 0 || into < 0) return;
        Region &a = pool_[from];
        Region &r = pool_[into];
        r.box.y0 = std::min(r.box.y0, a.box.y0);
        r.box.x0 = std::min(r.box.x0, a.box.x0);
        r.box.x1 = std::max(r.box.x1, a.box.x1);
        if (a.start.y < r.start.y) r.start = a.start;
        r.fill += a.fill;
        for (RowRun &run : previous_)
            if (run.region == from) run.region = into;
        for (std::size_t i = 0; i < currentDone; ++i)
            if (current_[i].region == from) current_[i].region = into;
        pool_.PreviousRuns(into) += pool_.PreviousRuns(from);
        pool_.CurrentRuns(into) += pool_.CurrentRuns(from);
        pool_.Release(from);
    }

    void Close(int index, int y) {
        Region &r = pool_[index];
        r.box.y1 = y;
        r.fill /= static_cast<double>(r.Height()) * static_cast<double>(r.Width());
        if (WithinLimits(r, search_)) {
            search_.regions.push_back(std::move(r));
            if (search_.traceOutlines) RegionOutline(view_, search_.regions.back(), chain_);
        }
        pool_.Release(index);
    }

    const BitImageView &view_;
    RegionSearch &search_;
    int left_, right_;
    RegionPool pool_;
    std::vector<RowRun> previous_, current_;
    std::vector<std::uint8_t> chain_;
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
