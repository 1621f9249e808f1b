// The QR search over one working image.
#include "qr/scan_pass.hpp"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "core/regions/regions.hpp"
#include "qr/format.hpp"

namespace zr::qr {

namespace {

// Finder pairs by distance from one corner candidate: the triangle test
// accepts Y only when |AY| lies within a tenth of |AX|, so for a pair (A, X)
// just the candidates in that distance band need the full test. Squared
// distances order the candidates; a bit set returns a band in index order.
class DistanceBands {
  public:
    explicit DistanceBands(const std::vector<FinderCandidate> &candidates)
        : candidates_(candidates), members_((candidates.size() + 63) / 64, 0) {
        byDistance_.reserve(candidates.size());
    }

    void SetCorner(std::size_t a) {
        byDistance_.clear();
        for (std::size_t k = 0; k < candidates_.size(); ++k)
            if (k != a) byDistance_.push_back({SquaredDistance(a, k), k});
        std::sort(byDistance_.begin(), byDistance_.end());
    }

    // Indices k, ascending, with |Ak| close enough to |AX| to pass the leg
    // test; returns the work done (members plus bit-set words scanned).
    std::size_t Band(double squaredAX, std::vector<std::size_t> &band) {
        band.clear();
        // A small margin keeps every candidate the exact test could accept.
        const double low = 0.81 * squaredAX * (1 - 1e-9), high = 1.21 * squaredAX * (1 + 1e-9);
        auto it = std::lower_bound(byDistance_.begin(), byDistance_.end(), Entry{low, 0});
        std::size_t first = members_.size(), last = 0;
        for (; it != byDistance_.end() && it->squared <= high; ++it) {
            const std::size_t word = it->index >> 6;
            members_[word] |= std::uint64_t{1} << (it->index & 63);
            first = std::min(first, word);
            last = std::max(last, word);
        }
        if (first > last) return 0;
        for (std::size_t w = first; w <= last; ++w) {
            for (std::uint64_t bits = members_[w]; bits != 0; bits &= bits - 1)
                band.push_back(w * 64 + static_cast<std::size_t>(__builtin_ctzll(bits)));
            members_[w] = 0;
        }
        return band.size() + (last - first + 1);
    }

    double SquaredDistance(std::size_t p, std::size_t q) const {
        const geom::PointF d = candidates_[p].centre - candidates_[q].centre;
        return geom::Dot(d, d);
    }

  private:
    struct Entry {
        double squared;
        std::size_t index;
        bool operator<(const Entry &o) const {
            return squared < o.squared || (squared == o.squared && index < o.index);
        }
    };
    const std::vector<FinderCandidate> &candidates_;
    std::vector<Entry> byDistance_;
    std::vector<std::uint64_t> members_;
};

// The outcome of a located triple: primary format and decoding, then the
// secondary format copy when that failed.
Outcome DecodeTriple(const BitImageView &view, QRCandidate &c, DecodeWork &work, long &attempts) {
    ReadFormatPrimary(view, c);
    const std::uint8_t level = c.level, mask = c.mask;
    Outcome outcome = DecodeQRSymbol(view, c, work);
    ++attempts;
    if (outcome != Outcome::kDecoded) {
        ReadFormatSecondary(view, c);
        // The same level and mask decode the same way again.
        if (!(c.level == level && c.mask == mask)) {
            outcome = DecodeQRSymbol(view, c, work);
            ++attempts;
        }
    }
    return outcome;
}

// The outcome of the triple (A, X, Y): located, then decoded.
Outcome TryTriple(const BitImageView &view, const FinderCandidate &a, const FinderCandidate &x,
                  const FinderCandidate &y, QRCandidate &located, DecodeWork &work, long &attempts) {
    if (!LocateQRSymbol(a, x, y, located)) return Outcome::kTripleRejected;
    return DecodeTriple(view, located, work, attempts);
}

// Both orders (A, X, Y) and (A, Y, X) of a right-angled triple that pass the
// leg test are located on the same grid when they give B the same finder, so
// they decode the same way: a failure of the first order stands for the second.
class FailedOrders {
  public:
    void Clear() { failed_.clear(); }
    // A located triple (A, x, y) with x < y that failed with `outcome`.
    void Add(std::size_t x, std::size_t y, geom::PointF b, Outcome outcome) {
        failed_.push_back({x, y, b, outcome});
    }
    // The outcome of (A, y, x) when that order failed on the same grid.
    std::optional<Outcome> Find(std::size_t x, std::size_t y, geom::PointF b) const {
        const Entry key{y, x, {}, Outcome::kNothingTried};
        const auto it = std::lower_bound(failed_.begin(), failed_.end(), key);
        if (it != failed_.end() && it->first == y && it->second == x && it->b == b) return it->outcome;
        return std::nullopt;
    }

  private:
    struct Entry {
        std::size_t first, second;
        geom::PointF b;
        Outcome outcome;
        bool operator<(const Entry &o) const {
            return first != o.first ? first < o.first : second < o.second;
        }
    };
    // Added in search order, so sorted by (first, second).
    std::vector<Entry> failed_;
};

// Work done by one triple search, to end a search of a crowded picture early.
struct SearchBudget {
    long steps = 0;    // candidates sorted or examined
    long decodes = 0;  // decoding attempts
    bool Spent() const { return steps >= kMaxSearchSteps || decodes >= kMaxDecodeAttempts; }
};

struct Triple {
    std::size_t a = 0, i = 0, k = 0;
    bool operator<(const Triple &o) const { return a != o.a ? a < o.a : i != o.i ? i < o.i : k < o.k; }
    bool operator==(const Triple &o) const { return a == o.a && i == o.i && k == o.k; }
};

// The last triple in search order whose three candidates are all unused.
bool LastUnusedTriple(const std::vector<FinderCandidate> &candidates, Triple &t) {
    std::size_t found[3];
    int n = 0;
    for (std::size_t p = candidates.size(); p-- > 0 && n < 3;)
        if (!candidates[p].used) found[n++] = p;
    if (n < 3) return false;
    t = {found[0], found[1], found[2]};
    return true;
}

// The search of a crowded picture once the full search has spent its budget:
// each unused candidate is tried as the corner finder with pairs of its
// nearest unused neighbours only, under a budget of its own. Returns the
// outcome of the last triple it tried.
Outcome SearchNearbyTriples(const BitImageView &view, std::vector<FinderCandidate> &candidates,
                            SymbolSink &sink, DecodeWork &work, QRCandidate &located) {
    constexpr std::size_t kNeighbours = 8;
    SearchBudget budget;
    Outcome outcome = Outcome::kNothingTried;
    std::vector<std::pair<double, std::size_t>> nearby;
    nearby.reserve(candidates.size());
    for (std::size_t a = 0; a < candidates.size() && !budget.Spent(); ++a) {
        if (candidates[a].used) continue;
        nearby.clear();
        for (std::size_t k = 0; k < candidates.size(); ++k) {
            if (k == a || candidates[k].used) continue;
            const geom::PointF d = candidates[a].centre - candidates[k].centre;
            nearby.emplace_back(geom::Dot(d, d), k);
        }
        budget.steps += static_cast<long>(candidates.size());
        const std::size_t count = std::min(kNeighbours, nearby.size());
        std::partial_sort(nearby.begin(), nearby.begin() + static_cast<std::ptrdiff_t>(count), nearby.end());
        std::sort(nearby.begin(), nearby.begin() + static_cast<std::ptrdiff_t>(count),
                  [](const auto &p, const auto &q) { return p.second < q.second; });
        for (std::size_t x = 0; x < count && !candidates[a].used; ++x)
            for (std::size_t y = 0; y < count && !candidates[a].used; ++y) {
                const std::size_t i = nearby[x].second, k = nearby[y].second;
                if (i == k || candidates[i].used || candidates[k].used) continue;
                outcome = TryTriple(view, candidates[a], candidates[i], candidates[k], located, work,
                                    budget.decodes);
                if (outcome == Outcome::kDecoded && sink.Store(located))
                    candidates[a].used = candidates[i].used = candidates[k].used = true;
            }
    }
    return outcome;
}

}  // namespace

Outcome SearchFinderTriples(const BitImageView &view, std::vector<FinderCandidate> &candidates,
                            SymbolSink &sink) {
    if (candidates.size() < 3) return Outcome::kNothingTried;
    DecodeWork work;
    auto located = std::make_unique<QRCandidate>();
    DistanceBands bands(candidates);
    std::vector<std::size_t> band;
    band.reserve(candidates.size());
    SearchBudget budget;
    bool stopped = false;
    Outcome lastOutcome = Outcome::kNothingTried;
    Triple lastTried, lastDecoded;
    bool anyTried = false, anyDecoded = false;
    FailedOrders failedOrders;
    for (std::size_t a = 0; a < candidates.size() && !stopped; ++a) {
        if (candidates[a].used) continue;
        bands.SetCorner(a);
        failedOrders.Clear();
        budget.steps += static_cast<long>(candidates.size());
        for (std::size_t i = 0; i < candidates.size() && !stopped; ++i) {
            if (i == a || candidates[i].used || candidates[a].used) continue;
            budget.steps += 1 + static_cast<long>(bands.Band(bands.SquaredDistance(a, i), band));
            if (budget.Spent()) {
                stopped = true;
                break;
            }
            for (std::size_t k : band) {
                if (k == i || candidates[k].used || candidates[i].used || candidates[a].used) continue;
                Outcome outcome = Outcome::kTripleRejected;
                if (LocateQRSymbol(candidates[a], candidates[i], candidates[k], *located)) {
                    const std::optional<Outcome> earlier =
                        k < i ? failedOrders.Find(i, k, located->b) : std::nullopt;
                    outcome = earlier ? *earlier : DecodeTriple(view, *located, work, budget.decodes);
                    if (i < k && outcome != Outcome::kDecoded) failedOrders.Add(i, k, located->b, outcome);
                }
                lastOutcome = outcome;
                lastTried = {a, i, k};
                anyTried = true;
                if (outcome == Outcome::kDecoded && sink.Store(*located)) {
                    candidates[a].used = candidates[i].used = candidates[k].used = true;
                    lastDecoded = lastTried;
                    anyDecoded = true;
                }
                if (budget.Spent()) {
                    stopped = true;
                    break;
                }
            }
        }
    }
    if (stopped) return SearchNearbyTriples(view, candidates, sink, work, *located);
    // Triples outside the distance bands fail the leg test: when the last
    // triple of the full search order was one of them, the search ends on its rejection.
    Triple last;
    const bool haveUnused = LastUnusedTriple(candidates, last);
    if (anyDecoded && (!haveUnused || last < lastDecoded)) return Outcome::kDecoded;
    if (!haveUnused) return anyTried ? lastOutcome : Outcome::kNothingTried;
    return anyTried && lastTried == last ? lastOutcome : Outcome::kTripleRejected;
}

namespace {

class ResultSink : public SymbolSink {
  public:
    ResultSink(ZrQRScanner &scanner, std::vector<TextDetails> *textDetails)
        : scanner_(scanner), textDetails_(textDetails) {}
    bool Store(const QRCandidate &candidate) override {
        if (scanner_.resultCount >= scanner_.maxResults) return false;
        CopyResult(candidate, scanner_.results[scanner_.resultCount]);
        if (textDetails_) {
            textDetails_->resize(scanner_.resultCount + 1u);
            textDetails_->back() = candidate.text.details;
        }
        ++scanner_.resultCount;
        return true;
    }

  private:
    ZrQRScanner &scanner_;
    std::vector<TextDetails> *textDetails_;
};

}  // namespace

void CopyResult(const QRCandidate &c, QRResult &r) {
    geom::StoreCorners(c.corners, r.corners);
    r.version = static_cast<std::uint8_t>(c.version);
    r.confidence = c.confidence;
    const std::size_t length = std::min(c.text.length, sizeof(r.text));
    r.length = static_cast<std::uint16_t>(length);
    std::memcpy(r.text, c.text.bytes.data(), length);
    std::memset(r.text + length, 0, sizeof(r.text) - length);
}

Outcome ScanPass(ZrImage &work, const SearchCorners &corners, ZrQRScanner &scanner,
                 std::vector<TextDetails> *textDetails, std::size_t *finders) {
    regions::RegionSearch search(corners);
    search.minWidth = search.minHeight = 7;
    search.minDensity = 0.2;
    search.maxDensity = 0.8;
    regions::LabelRegions(work, search);
    const BitImageView view(work);
    std::vector<FinderCandidate> candidates;
    candidates.reserve(search.regions.size());
    CollectFinderCandidates(view, search.regions, candidates, CheckFinderRatio, &search.bounds);
    if (finders != nullptr) *finders += candidates.size();
    ResultSink sink(scanner, textDetails);
    return SearchFinderTriples(view, candidates, sink);
}

}  // namespace zr::qr
