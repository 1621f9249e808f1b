// The triple search against the plain cubic search over every ordered
// triple: the distance bands must skip only triples that fail the leg test,
// so both store the same symbols in the same order and end on the same status.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/image.hpp"
#include "core/regions/regions.hpp"
#include "qr/candidate.hpp"
#include "qr/decode.hpp"
#include "qr/format.hpp"
#include "qr/qr_status.hpp"
#include "qr/scan_pass.hpp"
#include "qr_test_util.hpp"

namespace zr::qr::test {
namespace {

class TextSink : public SymbolSink {
  public:
    explicit TextSink(std::size_t capacity) : capacity_(capacity) {}
    bool Store(const QRCandidate &c) override {
        if (texts.size() >= capacity_) return false;
        texts.emplace_back(reinterpret_cast<const char *>(c.text.bytes.data()), c.text.length);
        return true;
    }
    std::vector<std::string> texts;

  private:
    std::size_t capacity_;
};

// Every ordered triple in nested index order, as the search is defined.
Outcome PlainSearch(const BitImageView &view, std::vector<FinderCandidate> candidates, SymbolSink &sink) {
    DecodeWork work;
    QRCandidate c;
    Outcome outcome = Outcome::kNothingTried;
    const std::size_t n = candidates.size();
    for (std::size_t a = 0; a < n; ++a)
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t k = 0; k < n; ++k) {
                if (a == i || a == k || i == k) continue;
                if (candidates[a].used || candidates[i].used || candidates[k].used) continue;
                outcome = Outcome::kTripleRejected;
                if (LocateQRSymbol(candidates[a], candidates[i], candidates[k], c)) {
                    ReadFormatPrimary(view, c);
                    outcome = DecodeQRSymbol(view, c, work);
                    if (outcome != Outcome::kDecoded) {
                        ReadFormatSecondary(view, c);
                        outcome = DecodeQRSymbol(view, c, work);
                    }
                }
                if (outcome == Outcome::kDecoded && sink.Store(c))
                    candidates[a].used = candidates[i].used = candidates[k].used = true;
            }
    return outcome;
}

// Symbols and stray finder rings at random places of a grid of cells.
Raster Scene(std::mt19937 &gen, int &symbols) {
    Raster canvas = zr::test::Canvas(720, 480);
    symbols = 0;
    for (int cell = 0; cell < 6; ++cell) {
        const int x = 20 + (cell % 3) * 240 + static_cast<int>(gen() % 40);
        const int y = 20 + (cell / 3) * 240 + static_cast<int>(gen() % 40);
        const auto kind = static_cast<unsigned>(gen() % 3);
        if (kind == 0) continue;
        QrSymbol wanted;
        wanted.data = "cell " + std::to_string(cell);
        wanted.moduleSize = 3;
        wanted.quietZone = 2;
        Raster symbol = QrPicture(wanted);
        if (kind == 2) {
            // Only one finder of the symbol: a stray candidate.
            Raster part = zr::test::Canvas(33, 33);
            for (int v = 0; v < 27; ++v)
                for (int u = 0; u < 27; ++u) part.at(u + 3, v + 3) = symbol.at(u + 6, v + 6);
            symbol = part;
        } else {
            ++symbols;
        }
        zr::test::Paste(canvas, zr::test::RotateQuarter(symbol, static_cast<int>(gen() % 4)), x, y);
    }
    return canvas;
}

TEST(SearchFinderTriples, SameSymbolsAndStatusAsThePlainSearch) {
    std::mt19937 gen(2024);
    for (int scene = 0; scene < 12; ++scene) {
        int symbols = 0;
        const Raster picture = Scene(gen, symbols);
        const std::vector<std::uint8_t> dib = zr::test::ToDib(picture, 1);
        ZrImage image{};
        ASSERT_EQ(ImageFromDib(&image, dib.data()), 0);
        regions::RegionSearch search;
        search.bounds = {0, 0, std::uint32_t(picture.width), std::uint32_t(picture.height)};
        search.minWidth = search.minHeight = 7;
        search.minDensity = 0.2;
        search.maxDensity = 0.8;
        search.traceOutlines = true;
        regions::LabelRegions(image, search);
        const BitImageView view(image);
        std::vector<FinderCandidate> candidates;
        CollectFinderCandidates(view, search.regions, candidates);
        for (std::size_t capacity : {std::size_t{20}, std::size_t{1}}) {
            TextSink banded(capacity), plain(capacity);
            std::vector<FinderCandidate> copy = candidates;
            const std::uint16_t bandedStatus = PublicStatus(SearchFinderTriples(view, copy, banded));
            const std::uint16_t plainStatus = PublicStatus(PlainSearch(view, candidates, plain));
            EXPECT_EQ(bandedStatus, plainStatus) << scene << " capacity " << capacity;
            EXPECT_EQ(banded.texts, plain.texts) << scene;
            if (capacity == 20) {
                EXPECT_EQ(static_cast<int>(banded.texts.size()), symbols) << scene;
            }
        }
        ImageDestroy(&image);
    }
}

}  // namespace
}  // namespace zr::qr::test
