// The Micro QR second look: what it reads that the first look misses, how
// its results join the list, and that it reads nothing from noise.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <random>
#include <vector>

#include "core/call_frame.hpp"
#include "core/local_threshold.hpp"
#include "core/prepare.hpp"
#include "micro_symbols.hpp"
#include "core/second_look.hpp"
#include "microqr/second_look.hpp"
#include "support/scan_with.hpp"

namespace {

using zr::test::MicroSymbol;
using zr::test::Raster;
using Scan = zr::test::ScanOutcome<zr::test::MicroQRReader>;

constexpr std::uint8_t kBothPasses = ZR_MICROQR_DARK_ON_LIGHT | ZR_MICROQR_LIGHT_ON_DARK;
constexpr std::uint8_t kFirstLookOnly = kBothPasses | ZR_MICROQR_FIRST_LOOK_ONLY;

Scan Read(const Raster &picture, std::uint8_t flags = kBothPasses, int maxResults = 20) {
    return zr::test::ScanWith<zr::test::MicroQRReader>(picture, 8, [&](ZrMicroQRScanner &s) {
        s.scanFlags = flags;
        s.maxResults = static_cast<std::uint8_t>(maxResults);
    });
}

// Light falling off across the picture: white paper from `left` to `right`
// grey (0..1 of full white) left to right, dark modules kept black.
Raster LightGradient(const Raster &r, double left, double right) {
    Raster out = r;
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) {
            const double light = left + (right - left) * x / std::max(1, r.width - 1);
            out.at(x, y) = static_cast<std::uint8_t>(std::lround(r.at(x, y) * light));
        }
    return out;
}

// True when the local-threshold preparation gives the same bits as the
// global one for this picture (as it does until local statistics are in).
bool LocalSameAsGlobal(const Raster &picture) {
    const std::vector<std::uint8_t> dib = zr::test::ToDib(picture, 8);
    zr::WorkingImage global, local;
    if (zr::DibToBiLevel(&global.image, dib.data()) != 0 || zr::DibToLocalBiLevel(&local.image, dib.data()) != 0)
        return false;
    const std::size_t bytes = global.image.size;
    return global.image.size == local.image.size &&
           std::memcmp(global.image.bits, local.image.bits, bytes) == 0;
}

TEST(MicroQRSecondLook, ReadsASymbolUnderALightGradient) {
    const Raster picture = LightGradient(zr::test::RenderMicro({"GRADIENT", 4, 0, 1, 6, 4}), 0.2, 0.9);
    EXPECT_TRUE(Read(picture, kFirstLookOnly).results.empty()) << "the first look reads it: no test";
    if (LocalSameAsGlobal(picture)) GTEST_SKIP() << "local thresholds are still the global one";
    const Scan scan = Read(picture);
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(scan.Text(), "GRADIENT");
}

// The second look called as the scan calls it after a first look that
// stored nothing, on the scanner record the frame prepared.
struct DirectLook {
    std::vector<std::uint8_t> dib;
    std::vector<MicroQRResult> results;
    ZrMicroQRScanner scanner{};
    std::uint16_t status = 0;

    DirectLook(const Raster &picture, std::uint8_t flags, int maxResults, std::uint16_t firstStatus)
        : dib(zr::test::ToDib(picture, 8)), results(static_cast<std::size_t>(maxResults)) {
        ZrInitMicroQRScanner(&scanner);
        scanner.image = dib.data();
        scanner.scanFlags = flags;
        scanner.maxResults = static_cast<std::uint8_t>(maxResults);
        scanner.results = results.data();
        status = zr::microqr::RunSecondLook(scanner, kPasses, firstStatus);
    }
    static constexpr zr::PolarityScheme kPasses{ZR_MICROQR_DARK_ON_LIGHT, ZR_MICROQR_LIGHT_ON_DARK,
                                                ZR_MICROQR_FOUND_AS_GIVEN, ZR_MICROQR_FOUND_INVERTED,
                                                zr::PolarityScheme::Default::kNeitherPassBit};
};

std::string TextOf(const MicroQRResult &r) {
    return std::string(reinterpret_cast<const char *>(r.text), r.length);
}

Raster TwoSymbols() {
    Raster canvas = zr::test::Canvas(400, 200);
    zr::test::Paste(canvas, zr::test::RenderMicro({"LEFT", 3, 0, 0, 5, 2}), 20, 20);
    zr::test::Paste(canvas, zr::test::RenderMicro({"RIGHT", 3, 0, 1, 5, 2}), 220, 20);
    return canvas;
}

TEST(MicroQRSecondLook, AddsWhatItReadsInThePolaritiesAskedFor) {
    const Raster shaded = LightGradient(zr::test::RenderMicro({"SHADED", 4, 0, 1, 6, 4}), 0.2, 0.9);
    if (LocalSameAsGlobal(shaded)) GTEST_SKIP() << "local thresholds are still the global one";
    // The first look's status stays; the symbol is marked with its pass.
    const DirectLook both(shaded, kBothPasses, 4, ZR_MICROQR_NO_FORMAT);
    EXPECT_EQ(both.status, ZR_MICROQR_NO_FORMAT);
    ASSERT_EQ(both.scanner.resultCount, 1);
    EXPECT_EQ(TextOf(both.results[0]), "SHADED");
    EXPECT_EQ(both.results[0].barsColour, ZR_MICROQR_FOUND_AS_GIVEN);
    EXPECT_EQ(DirectLook(shaded, ZR_MICROQR_DARK_ON_LIGHT, 4, 0).scanner.resultCount, 1);
    EXPECT_EQ(DirectLook(shaded, ZR_MICROQR_LIGHT_ON_DARK, 4, 0).scanner.resultCount, 0);
    EXPECT_EQ(DirectLook(shaded, kFirstLookOnly, 4, 0).scanner.resultCount, 0);
    // Where the local thresholds give the picture the first look searched,
    // the second look does not search it again.
    const DirectLook clean(zr::test::RenderMicro({"CLEAN", 2, 0, 0, 5, 4}), kBothPasses, 4, 0);
    EXPECT_EQ(clean.scanner.resultCount, 0);
}

TEST(MicroQRSecondLook, ListFullWhenASymbolFoundNoRoom) {
    const Raster two = LightGradient(TwoSymbols(), 0.2, 0.9);
    if (LocalSameAsGlobal(two)) GTEST_SKIP() << "local thresholds are still the global one";
    const DirectLook one(two, kBothPasses, 1, 0);
    EXPECT_EQ(one.scanner.resultCount, 1);
    EXPECT_EQ(one.status, ZR_ERR_LIST_FULL);
    const DirectLook room(two, kBothPasses, 2, 0);
    EXPECT_EQ(room.scanner.resultCount, 2);
    EXPECT_EQ(room.status, 0);
}

TEST(MicroQRSecondLook, OneResultPerSymbol) {
    MicroQRResult stored{};
    const int box[8] = {10, 10, 60, 10, 60, 60, 10, 60};
    std::memcpy(stored.corners, box, sizeof box);
    std::memcpy(stored.text, "SAME", 4);
    stored.length = 4;
    std::vector<MicroQRResult> results(2, stored);
    ZrMicroQRScanner scanner{};
    scanner.results = results.data();
    scanner.maxResults = 2;
    scanner.resultCount = 1;

    MicroQRResult moved = stored;  // the same symbol a few pixels off
    for (int &c : moved.corners) c += 7;
    EXPECT_EQ(zr::AddSecondLookResult(scanner, moved), zr::SecondLookStore::kDuplicate);
    MicroQRResult other = moved;  // another text at the same place
    other.text[0] = 'N';
    EXPECT_EQ(zr::AddSecondLookResult(scanner, other), zr::SecondLookStore::kAdded);
    EXPECT_EQ(scanner.resultCount, 2);
    MicroQRResult far = stored;  // the same text elsewhere: another symbol
    for (int &c : far.corners) c += 200;
    EXPECT_EQ(zr::AddSecondLookResult(scanner, far), zr::SecondLookStore::kListFull);
    EXPECT_EQ(scanner.resultCount, 2);
    EXPECT_EQ(TextOf(results[1]), "NAME");
}

TEST(MicroQRSecondLook, NothingFromNoiseAndTheFirstLookKeepsItsResults) {
    std::mt19937 random(99);
    for (int i = 0; i < 12; ++i) {
        Raster noise = zr::test::Canvas(160 + 40 * i, 120 + 30 * i);
        for (auto &p : noise.pixels) p = static_cast<std::uint8_t>(random());
        const Raster picture = i % 2 ? zr::test::Blur(noise, 1.0 + i / 4.0) : noise;
        EXPECT_TRUE(Read(picture).results.empty()) << i;
    }
    // A symbol the first look reads is stored once, found as given.
    const Scan clean = Read(zr::test::RenderMicro({"ONCE", 3, 0, 0, 4, 4}));
    ASSERT_EQ(clean.results.size(), 1u);
    EXPECT_EQ(clean.results[0].barsColour, ZR_MICROQR_FOUND_AS_GIVEN);
}

}  // namespace
