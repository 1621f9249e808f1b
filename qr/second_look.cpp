// The QR second look, from the picture down to the stored results.
#include "qr/second_look.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <new>

#include "core/grey.hpp"
#include "core/local_threshold.hpp"
#include "core/regions/regions.hpp"
#include "core/second_look.hpp"
#include "qr/candidate.hpp"
#include "qr/finder_stones.hpp"
#include "qr/sampled_decode.hpp"
#include "qr/scan_pass.hpp"

namespace zr::qr {

namespace {

using geom::PointF;

// Finder candidates: the first look's labelling and profile tests, with the
// squareness bound relaxed for finders seen at a slant.
constexpr double kMinFinderAspect = 0.5;
// Triple test.
constexpr double kMaxSizeRatio = 2.5;   // finder sizes
constexpr double kMaxLegRatio = 2.0;    // the two legs from A
constexpr double kMaxCosine = 0.5;      // angle at A within 60..120 degrees
constexpr double kMinLegInSizes = 1.5;  // finders 14 modules apart at least, 7 modules wide
constexpr double kMaxLegInSizes = 30;   // 170 modules apart at most
// Work bounds of one pass.
constexpr std::size_t kMaxTriples = 256;  // best-scored triples kept
constexpr long kMaxTripleTests = 300000;  // pairs and triples examined
constexpr int kMaxLocatedTriples = 48;    // triples fitted and sampled
// Light frame around the second look's picture, in bytes of 8 pixels.
constexpr std::uint32_t kFrameBytes = 2;
// Version choice.
constexpr int kVersionSpread = 2;  // versions tried each side of the estimate
// Estimates this far (relative) above the largest version are taken as it: a
// finder 7 px wide measured a pixel short at 1 px a module puts it 1/6 over.
constexpr double kEstimateSlack = 1.0 / 6;
constexpr int kMaxVersionsTried = 3;
constexpr double kMinTimingAgreement = 0.65;
constexpr int kMinVersion = 1, kMaxVersion = 40;
// Module-space shifts of the grid, in thirds of a module, tried in turn when
// a sampled symbol's format or codewords fail: a grid fitted through the
// finders' corners can sit a third of a module off across the symbol where
// perspective, blur or a bent page move the modules, and the BCH and
// Reed-Solomon checks tell which shift reads. Shifted samplings are bounded
// per pass, so that a picture of many false triples stays cheap.
constexpr double kShiftStep = 1.0 / 3;
constexpr std::array<std::array<int, 2>, 9> kGridShifts{
    {{0, 0}, {-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}}};
constexpr int kMaxShiftedSamplings = 96;

double FinderSize(const FinderCandidate &c) {
    return 0.5 * (c.region->Width() + c.region->Height()) * c.regionScale;
}

// Two finders of one symbol have similar sizes and lie no farther apart than
// the longest leg and its diagonal allow.
bool MayShareSymbol(const FinderCandidate &p, const FinderCandidate &q) {
    const double sp = FinderSize(p), sq = FinderSize(q);
    if (!(std::max(sp, sq) <= kMaxSizeRatio * std::min(sp, sq))) return false;
    const double reach = std::sqrt(2.0) * kMaxLegInSizes * std::max(sp, sq);
    const PointF d = p.centre - q.centre;
    return geom::Dot(d, d) <= reach * reach;
}

// A finder too large for any triple in the picture: the triple test takes
// finders within kMaxSizeRatio of each other's size and legs of at least
// kMinLegInSizes times their mean size, so another finder's centre lies at
// least this share of the finder's size away, and the picture's farthest
// corner is nearer than that. (Such a region, a whole symbol or the
// picture's dark border, also has the longest outline to trace.)
bool TooLargeForATriple(const BitImageView &view, const regions::Region &region, double regionScale) {
    constexpr double kMinPartnerDistanceInSizes = kMinLegInSizes * (1 + 2 / kMaxSizeRatio) / 3;
    const double size = 0.5 * (region.Width() + region.Height()) * regionScale;
    const double cx = (region.box.x0 + region.box.x1) / 2.0, cy = (region.box.y0 + region.box.y1) / 2.0;
    const double dx = std::max(cx, view.Width() - cx), dy = std::max(cy, view.Height() - cy);
    const double reach = kMinPartnerDistanceInSizes * size * (1 - 1e-9);
    return dx * dx + dy * dy < reach * reach;
}

void CollectSlantedFinders(const BitImageView &view, regions::RegionSearch &search,
                           std::vector<FinderCandidate> &candidates) {
    const geom::SearchBounds &labelled = search.bounds;
    lines::RunScan scan;
    scan.area = view.Bounds();
    lines::RunBufferInit(scan, lines::kLeftToRight);
    lines::RunScan window;
    for (regions::Region &region : search.regions) {
        const double w = region.Width(), h = region.Height();
        if (!(w / h >= kMinFinderAspect) || !(h / w >= kMinFinderAspect)) continue;
        if (TooLargeForATriple(view, region, 1)) continue;
        if (!MayHoldFinderRow(view, region)) continue;
        // Large regions (a whole symbol's modules joined up) have long
        // outlines; most cannot pass the tests, told from their box first.
        if (!BoxMayPassFinderTests(scan, window, view, region, labelled)) continue;
        regions::EnsureOutline(view, region);
        if (!region.HasOutline()) continue;
        if (!CheckFinderRow(scan, view, region) || !CheckFinderColumn(scan, view, region)) continue;
        FinderCandidate c;
        c.region = &region;
        c.centre = {(region.box.x0 + region.box.x1) / 2.0, (region.box.y0 + region.box.y1) / 2.0};
        candidates.push_back(c);
    }
}

// Module size along a side from the finders' corners at both of its ends.
double ModuleAlong(PointF p0, PointF p1, PointF q0, PointF q1) {
    return (geom::Distance(p0, p1) + geom::Distance(q0, q1)) / 14.0;
}

// The version the finder spacing suggests, as a real number.
double EstimateVersion(const FinderTriple &t, const FinderCorners &k) {
    const double moduleAB = ModuleAlong(k.a.topLeft, k.a.topRight, k.b.topLeft, k.b.topRight);
    const double moduleAD = ModuleAlong(k.a.topLeft, k.a.bottomLeft, k.d.topLeft, k.d.bottomLeft);
    if (!(moduleAB > 0) || !(moduleAD > 0)) return 0;
    // Centres are 7 modules less than the size apart: size = distance / module + 7.
    return ((geom::Distance(t.ca, t.cb) / moduleAB - 10) + (geom::Distance(t.ca, t.cd) / moduleAD - 10)) / 8;
}

struct VersionTrial {
    int version = 0;
    geom::Perspective grid;
    double timing = 0;
    bool fromVersionBlocks = false;
};

// One pass's search: candidates, triples, fitting, decoding and storing.
class SecondLookSearch {
  public:
    // `frame`: pixels of light frame around the picture the passes search,
    // taken off the corners of what they find.
    SecondLookSearch(ZrQRScanner &scanner, std::vector<TextDetails> *textDetails, double frame)
        : scanner_(scanner), textDetails_(textDetails), result_(std::make_unique<QRResult>()), frame_(frame) {
        work_.modes = SegmentModes::kAll;
    }

    // True when a symbol found the list full.
    bool Pass(ZrImage &picture, const SearchCorners &corners) {
        regions::RegionSearch search(corners);
        search.minWidth = search.minHeight = 7;
        search.minDensity = 0.2;  // no upper limit: centre stones are solid
        regions::LabelRegions(picture, search);
        shiftedSamplings_ = 0;
        const BitImageView view(picture);
        candidates_.clear();
        CollectSlantedFinders(view, search, candidates_);
        CollectFinderStones(view, search.regions, candidates_);
        RankTriples();
        int located = 0;
        for (const Ranked &r : ranked_) {
            if (located >= kMaxLocatedTriples) break;
            if (candidates_[r.p].used || candidates_[r.q].used || candidates_[r.r].used) continue;
            ++located;
            if (!ReadTriple(view, r.triple)) continue;
            for (int i = 0; i < geom::QuadF::kCorners; ++i) located_.corners[i] -= PointF{frame_, frame_};
            CopyResult(located_, *result_);
            const SecondLookStore stored = AddSecondLookResult(scanner_, *result_);
            if (stored == SecondLookStore::kListFull) return true;
            if (stored == SecondLookStore::kAdded && textDetails_) {
                textDetails_->resize(static_cast<std::size_t>(scanner_.resultCount));
                textDetails_->back() = located_.text.details;
            }
            candidates_[r.p].used = candidates_[r.q].used = candidates_[r.r].used = true;
        }
        return false;
    }

  private:
    struct Ranked {
        double score;
        std::size_t p, q, r;
        FinderTriple triple;
    };

    void RankTriples() {
        ranked_.clear();
        long tests = 0;
        const std::size_t n = candidates_.size();
        for (std::size_t p = 0; p < n && tests < kMaxTripleTests; ++p)
            for (std::size_t q = p + 1; q < n && tests < kMaxTripleTests; ++q, ++tests) {
                if (!MayShareSymbol(candidates_[p], candidates_[q])) continue;
                for (std::size_t r = q + 1; r < n; ++r, ++tests) {
                    Ranked entry{0, p, q, r, {}};
                    if (SlantedTriple(candidates_[p], candidates_[q], candidates_[r], entry.triple,
                                      entry.score))
                        ranked_.push_back(entry);
                }
            }
        const auto byScore = [](const Ranked &x, const Ranked &y) { return x.score < y.score; };
        if (ranked_.size() > kMaxTriples) {
            std::nth_element(ranked_.begin(), ranked_.begin() + kMaxTriples, ranked_.end(), byScore);
            ranked_.resize(kMaxTriples);
        }
        std::stable_sort(ranked_.begin(), ranked_.end(), byScore);
    }

    // Fits, samples and decodes one triple; true with located_ filled when it read.
    bool ReadTriple(const BitImageView &view, const FinderTriple &triple) {
        FinderCorners corners;
        if (!MeasureFinderCorners(triple, corners)) return false;
        const double estimate = EstimateVersion(triple, corners);
        if (!(estimate > kMinVersion - 1 - kVersionSpread) ||
            !(estimate < (kMaxVersion + 1 + kVersionSpread) * (1 + kEstimateSlack)))
            return false;
        ChooseVersions(view, corners, std::min(static_cast<int>(std::lround(estimate)), kMaxVersion));
        int tried = 0;
        for (const VersionTrial &trial : trials_) {
            if (tried >= kMaxVersionsTried) break;
            if (trial.timing < kMinTimingAgreement && !trial.fromVersionBlocks) continue;
            ++tried;
            const int size = 4 * trial.version + 17;
            std::optional<geom::Perspective> refined;
            if (trial.version >= 2) {
                const std::optional<PointF> alignment = FindAlignment(view, trial.grid, size);
                refined = alignment ? FitGrid(corners, size, alignment) : std::nullopt;
                if (refined && Decode(view, *refined, size)) return true;
            }
            if (Decode(view, trial.grid, size)) return true;
            if (mesh_.Build(view, refined ? *refined : trial.grid, trial.version) && DecodeMesh(view, size))
                return true;
        }
        return false;
    }

    // Versions around the estimate, best timing agreement first; the
    // version read from the version blocks, when there is one, before them all.
    void ChooseVersions(const BitImageView &view, const FinderCorners &corners, int estimate) {
        trials_.clear();
        for (int v = estimate - kVersionSpread; v <= estimate + kVersionSpread; ++v) {
            if (v < kMinVersion || v > kMaxVersion) continue;
            const int size = 4 * v + 17;
            const std::optional<geom::Perspective> grid = FitGrid(corners, size);
            if (grid) trials_.push_back({v, *grid, TimingAgreement(view, *grid, size), false});
        }
        std::stable_sort(trials_.begin(), trials_.end(),
                         [](const VersionTrial &x, const VersionTrial &y) { return x.timing > y.timing; });
        if (trials_.empty()) return;
        const int size = 4 * trials_.front().version + 17;
        const int read = ReadVersionBlocks(view, trials_.front().grid, size);
        if (read == 0 || std::abs(read - estimate) > kVersionSpread) return;
        const int readSize = 4 * read + 17;
        const std::optional<geom::Perspective> grid = FitGrid(corners, readSize);
        if (!grid) return;
        trials_.erase(std::remove_if(trials_.begin(), trials_.end(),
                                     [read](const VersionTrial &t) { return t.version == read; }),
                      trials_.end());
        trials_.insert(trials_.begin(), {read, *grid, TimingAgreement(view, *grid, readSize), true});
    }

    bool Decode(const BitImageView &view, const geom::Perspective &fitted, int size) {
        geom::Perspective grid = fitted;
        Outcome outcome = Outcome::kNothingTried;
        for (const auto &[sx, sy] : kGridShifts) {
            const bool shifted = sx != 0 || sy != 0;
            if (shifted && shiftedSamplings_ >= kMaxShiftedSamplings) break;
            shiftedSamplings_ += shifted ? 1 : 0;
            const geom::PointF shift{sx * kShiftStep, sy * kShiftStep};
            grid = geom::Perspective(geom::Perspective::Matrix{{{1, 0, 0}, {0, 1, 0}, {shift.x, shift.y, 1}}})
                       .Then(fitted);
            if (!sampled_.Sample(view, grid, size)) return false;
            outcome = DecodeSampledGrid(sampled_, located_, work_);
            if (outcome != Outcome::kCorrectionFailed && outcome != Outcome::kTripleRejected) break;
        }
        if (outcome != Outcome::kDecoded) return false;
        const double n = size;
        located_.corners = {grid.Map({0, 0}), grid.Map({n, 0}), grid.Map({n, n}), grid.Map({0, n})};
        return true;
    }

    // Samples through the alignment mesh; true with located_ filled when it read.
    bool DecodeMesh(const BitImageView &view, int size) {
        if (!sampled_.Sample(view, mesh_, size)) return false;
        if (DecodeSampledGrid(sampled_, located_, work_) != Outcome::kDecoded) return false;
        const double n = size;
        located_.corners = {mesh_.Map({0, 0}), mesh_.Map({n, 0}), mesh_.Map({n, n}), mesh_.Map({0, n})};
        return true;
    }

    ZrQRScanner &scanner_;
    std::vector<TextDetails> *textDetails_;
    std::unique_ptr<QRResult> result_;  // a large record: one per search
    std::vector<FinderCandidate> candidates_;
    std::vector<Ranked> ranked_;
    std::vector<VersionTrial> trials_;
    SampledGrid sampled_;
    AlignmentMesh mesh_;
    QRCandidate located_;
    double frame_;              // pixels of frame around the searched picture
    int shiftedSamplings_ = 0;  // in this pass
    DecodeWork work_;           // takes GS1, industry and structured-append data (set in the constructor)
};

}  // namespace

bool SlantedTriple(const FinderCandidate &p, const FinderCandidate &q, const FinderCandidate &r,
                   FinderTriple &triple, double &score) {
    const double sp = FinderSize(p), sq = FinderSize(q), sr = FinderSize(r);
    const double smallest = std::min({sp, sq, sr}), largest = std::max({sp, sq, sr});
    if (!(largest <= kMaxSizeRatio * smallest)) return false;
    // A faces the longest side.
    const double dpq = geom::Distance(p.centre, q.centre), dqr = geom::Distance(q.centre, r.centre),
                 drp = geom::Distance(r.centre, p.centre);
    const FinderCandidate *a = &p, *x = &q, *y = &r;
    if (dpq >= dqr && dpq >= drp) {
        a = &r, x = &p, y = &q;
    } else if (drp >= dqr && drp >= dpq) {
        a = &q, x = &r, y = &p;
    }
    const PointF legX = x->centre - a->centre, legY = y->centre - a->centre;
    const double lx = geom::Length(legX), ly = geom::Length(legY);
    const double shorter = std::min(lx, ly), longer = std::max(lx, ly);
    const double size = (sp + sq + sr) / 3;
    if (!(shorter >= kMinLegInSizes * size) || !(longer <= kMaxLegInSizes * size)) return false;
    if (!(longer <= kMaxLegRatio * shorter)) return false;
    if (!(std::fabs(geom::Dot(legX, legY)) <= kMaxCosine * lx * ly)) return false;
    // y grows downwards: D lies clockwise from B around A.
    const bool xIsB = geom::Cross(legX, legY) > 0;
    const FinderCandidate &b = xIsB ? *x : *y, &d = xIsB ? *y : *x;
    triple = {a->region, b.region,       d.region,      a->centre,    b.centre,
              d.centre,  a->regionScale, b.regionScale, d.regionScale};
    score = (lx + ly + std::fabs(lx - ly)) / size;
    return true;
}

std::uint8_t SecondLookPasses(const ZrQRScanner &scanner, const PolarityScheme &passes,
                              const FirstLookClues &clues) {
    if (!SecondLookWanted(scanner.scanFlags) || scanner.resultCount != 0) return 0;
    unsigned bits = 0;
    if (clues.findersAsGiven > 0 || clues.darkAtEdge) bits |= passes.asGivenBit;
    if (clues.findersInverted > 0) bits |= passes.invertedBit;
    return static_cast<std::uint8_t>(bits & scanner.scanFlags);
}

bool RunSecondLook(ZrQRScanner &scanner, const PolarityScheme &passes, std::uint8_t passBits,
                   std::vector<TextDetails> *textDetails, const std::vector<std::uint8_t> &storedGrey) {
    if (passBits == 0) return false;
    WorkingImage local;
    const std::uint16_t status = DibToLocalBiLevel(&local.image, scanner.image, storedGrey);
    if (status == ZR_ERR_NO_MEMORY) throw std::bad_alloc();
    if (status != ZR_OK) return false;
    ImageDespeckle(&local.image);
    // Speckle (noise under local thresholds) holds no symbol worth its cost.
    if (LooksLikeSpeckle(local.image)) return false;
    // Searched inside a light frame, so that a symbol printed or cropped to
    // the picture's edge keeps its finders' outer rings.
    WorkingImage framed;
    const std::uint16_t copied = ImageWithLightFrame(local.image, kFrameBytes, &framed.image);
    if (copied == ZR_ERR_NO_MEMORY) throw std::bad_alloc();
    if (copied != ZR_OK) return false;
    const std::uint32_t width = local.image.width, height = local.image.height;
    const SearchCorners inner = SearchCornersOf(&scanner, width, height);
    const std::uint32_t frame = 8 * kFrameBytes;
    SearchCorners
        corners;  // the scanner's rectangle in the framed picture, with the frame where it meets an edge
    corners.x0 = inner.x0 == 0 ? 0 : inner.x0 + frame;
    corners.y0 = inner.y0 == 0 ? 0 : inner.y0 + frame;
    corners.x1 = inner.x1 + 1 >= width ? framed.image.width - 1 : inner.x1 + frame;
    corners.y1 = inner.y1 + 1 >= height ? framed.image.height - 1 : inner.y1 + frame;
    SecondLookSearch search(scanner, textDetails, frame);
    // The passes of `passBits` only: the picture is inverted only when the
    // inverted pass runs.
    if (passBits & passes.asGivenBit) {
        const PassColourMark<ZrQRScanner> mark(scanner, passes.asGivenColour);
        if (search.Pass(framed.image, corners)) return true;
    }
    if (passBits & passes.invertedBit) {
        const PassColourMark<ZrQRScanner> mark(scanner, passes.invertedColour);
        ImageInvert(&framed.image);
        PaintFrameLight(&framed.image, kFrameBytes, width);  // light again after the inversion
        if (search.Pass(framed.image, corners)) return true;
    }
    return false;
}

}  // namespace zr::qr
