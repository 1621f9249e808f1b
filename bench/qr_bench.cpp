// Times ZrScanQR on 2000 x 1500 grey pictures: one version-5 symbol, ten
// symbols, none, full-range noise, and pages crowded with finder-like rings (how the time grows
// with the number of dark regions). Where zxing-cpp is installed the same
// pictures are timed with it, QR Code only, as a yardstick.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "support/render.hpp"
#include "support/warp.hpp"
#include "zr/ZrQR.h"

#if defined(ZR_BENCH_ZXING)
#include <ZXing/ReadBarcode.h>
#endif

namespace {

using zr::test::Raster;

Raster Symbol(const std::string &data, int version, int moduleSize) {
    zr::test::SymbolOptions options;
    options.symbology = BARCODE_QRCODE;
    options.data = data;
    options.option1 = 2;  // level M
    options.option2 = version;
    options.moduleSize = moduleSize;
    options.quietZone = 4;
    return zr::test::RenderSymbol(options);
}

// A grey page with `symbols` version-5 symbols (0, 1 or 10), with noise.
Raster Page(int symbols) {
    Raster canvas = zr::test::Canvas(2000, 1500, 225);
    for (int i = 0; i < symbols; ++i) {
        const Raster s = Symbol("ZrQR bench symbol " + std::to_string(i), 5, 4);
        const int x = symbols == 1 ? 800 : 60 + (i % 5) * 380;
        const int y = symbols == 1 ? 600 : 200 + (i / 5) * 600;
        zr::test::Paste(canvas, s, x, y);
    }
    return zr::test::AddNoise(canvas, 20, 1);
}

// A page of `symbols` small version-1 symbols in rows and columns.
Raster Sheet(int symbols) {
    Raster canvas = zr::test::Canvas(2000, 1500, 225);
    for (int i = 0; i < symbols; ++i) {
        const Raster s = Symbol("sheet " + std::to_string(i), 1, 3);
        zr::test::Paste(canvas, s, 40 + (i % 20) * 96, 40 + (i / 20) * 96);
    }
    return zr::test::AddNoise(canvas, 20, 1);
}

// A page of `count` finder-like rings (7 x 7 modules of `module` pixels, no
// symbol): every ring is a finder candidate, the worst case for the triple search.
Raster Rings(int count, int module = 4) {
    Raster canvas = zr::test::Canvas(2000, 1500, 225);
    const int side = 7 * module, pitch = side + 2 + module;
    const int perRow = (2000 - 40) / pitch;
    for (int n = 0; n < count; ++n) {
        const int x0 = 20 + (n % perRow) * pitch, y0 = 20 + (n / perRow) * pitch;
        if (y0 + side >= 1500) break;
        for (int j = 0; j < side; ++j)
            for (int i = 0; i < side; ++i) {
                const int mj = j / module, mi = i / module;
                const bool dark =
                    mi == 0 || mi == 6 || mj == 0 || mj == 6 || (mi >= 2 && mi <= 4 && mj >= 2 && mj <= 4);
                if (dark && x0 + j < 2000 && y0 + i < 1500) canvas.at(x0 + j, y0 + i) = 0;
            }
    }
    return canvas;
}

// A version-5 symbol on the page at a slant (its right side pulled in by a
// tenth of the side at both corners), which only the second look reads.
Raster SlantedPage() {
    const Raster slanted = zr::test::Slant(Symbol("ZrQR bench slanted symbol", 5, 6), {0, 0, -0.1, 0.1, -0.1, -0.1, 0, 0});
    Raster canvas = zr::test::Canvas(2000, 1500, 225);
    zr::test::Paste(canvas, slanted, 800, 600);
    return zr::test::AddNoise(canvas, 20, 1);
}

void ScanQR(benchmark::State &state, const Raster &picture, int expected, std::uint8_t scanFlags = 0) {
    const std::vector<std::uint8_t> dib = zr::test::ToDib(picture, 8);
    ZrQRScanner scanner;
    ZrInitQRScanner(&scanner);
    if (scanFlags != 0) scanner.scanFlags = scanFlags;
    scanner.image = dib.data();
    scanner.maxResults = 255;
    for (auto _ : state) {
        ZrScanQR(&scanner);
        if (expected >= 0 && scanner.resultCount != expected) state.SkipWithError("unexpected result count");
        benchmark::DoNotOptimize(scanner.resultCount);
    }
    state.counters["read"] = scanner.resultCount;
    ZrFreeQRScanner(&scanner);
}

void BM_ZrQR_OneSymbol(benchmark::State &state) {
    ScanQR(state, Page(1), 1);
}
void BM_ZrQR_TenSymbols(benchmark::State &state) {
    ScanQR(state, Page(10), 10);
}
void BM_ZrQR_NoSymbol(benchmark::State &state) {
    ScanQR(state, Page(0), 0);
}
// The same pictures with the second look off, for comparison.
void BM_ZrQR_NoSymbolFirstLookOnly(benchmark::State &state) {
    ScanQR(state, Page(0), 0, ZR_QR_DARK_ON_LIGHT | ZR_QR_LIGHT_ON_DARK | ZR_QR_FIRST_LOOK_ONLY);
}
// Full-range noise, the picture dm_bench times: some 750,000 dark runs for
// each polarity's labelling.
Raster Noise() {
    return zr::test::AddNoise(zr::test::Canvas(2000, 1500, 128), 127, 1);
}
void BM_ZrQR_Noise(benchmark::State &state) {
    ScanQR(state, Noise(), 0);
}
void BM_ZrQR_NoiseFirstLookOnly(benchmark::State &state) {
    ScanQR(state, Noise(), 0, ZR_QR_DARK_ON_LIGHT | ZR_QR_LIGHT_ON_DARK | ZR_QR_FIRST_LOOK_ONLY);
}
void BM_ZrQR_SlantedSymbol(benchmark::State &state) {
    ScanQR(state, SlantedPage(), 1);
}
void BM_ZrQR_SlantedSymbolFirstLookOnly(benchmark::State &state) {
    ScanQR(state, SlantedPage(), 0, ZR_QR_DARK_ON_LIGHT | ZR_QR_LIGHT_ON_DARK | ZR_QR_FIRST_LOOK_ONLY);
}
void BM_ZrQR_SheetOfSymbols(benchmark::State &state) {
    // A crowded sheet may end its search before every symbol is read: see "read".
    ScanQR(state, Sheet(static_cast<int>(state.range(0))), -1);
}
void BM_ZrQR_FinderRings(benchmark::State &state) {
    ScanQR(state, Rings(static_cast<int>(state.range(0))), -1);
    state.counters["rings"] = static_cast<double>(state.range(0));
}

BENCHMARK(BM_ZrQR_OneSymbol)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZrQR_TenSymbols)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZrQR_NoSymbol)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZrQR_NoSymbolFirstLookOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZrQR_Noise)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZrQR_NoiseFirstLookOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZrQR_SlantedSymbol)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZrQR_SlantedSymbolFirstLookOnly)->Unit(benchmark::kMillisecond);
// The whole page covered with rings of one-pixel modules: some 29000 candidates.
void BM_ZrQR_PageOfTinyRings(benchmark::State &state) {
    ScanQR(state, Rings(1 << 20, 1), 0);
}

BENCHMARK(BM_ZrQR_SheetOfSymbols)->Arg(40)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZrQR_PageOfTinyRings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZrQR_FinderRings)
    ->Arg(10)
    ->Arg(40)
    ->Arg(160)
    ->Arg(640)
    ->Arg(1200)
    ->Unit(benchmark::kMillisecond);

#if defined(ZR_BENCH_ZXING)
void ScanZxing(benchmark::State &state, const Raster &picture, int expected) {
    const ZXing::ImageView view(picture.pixels.data(), picture.width, picture.height,
                                ZXing::ImageFormat::Lum);
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    for (auto _ : state) {
        const auto results = ZXing::ReadBarcodes(view, hints);
        if (static_cast<int>(results.size()) != expected) state.SkipWithError("unexpected result count");
        benchmark::DoNotOptimize(results.size());
    }
}

void BM_Zxing_OneSymbol(benchmark::State &state) {
    ScanZxing(state, Page(1), 1);
}
void BM_Zxing_TenSymbols(benchmark::State &state) {
    ScanZxing(state, Page(10), 10);
}
void BM_Zxing_NoSymbol(benchmark::State &state) {
    ScanZxing(state, Page(0), 0);
}

BENCHMARK(BM_Zxing_OneSymbol)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Zxing_TenSymbols)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Zxing_NoSymbol)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
