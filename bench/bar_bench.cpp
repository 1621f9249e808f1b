// Times ZrScanBar on 2000 x 1500 grey pictures: one Code 39 symbol, no symbol,
// and one symbol each of Code 128, EAN 13, Interleaved 2 of 5, Codabar and
// Code 93; with Code 39 alone or all eighteen symbologies enabled.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "support/render.hpp"
#include "zr/ZrBar.h"

namespace {

struct Placed {
    int symbology;
    const char *data;
    double wideRatio;  // 0 for symbologies of one- to four-module elements
    int x, y;
};

std::vector<std::uint8_t> Picture(const std::vector<Placed> &symbols) {
    zr::test::Raster canvas = zr::test::Canvas(2000, 1500, 225);
    for (const Placed &p : symbols) {
        zr::test::SymbolOptions options;
        options.symbology = p.symbology;
        options.data = p.data;
        options.moduleSize = 3;
        options.wideRatio = p.wideRatio;
        zr::test::Paste(canvas, zr::test::RenderSymbol(options), p.x, p.y);
    }
    return zr::test::ToDib(zr::test::AddNoise(canvas, 20, 1), 8);
}

const std::vector<Placed> kCode39 = {{BARCODE_CODE39, "BENCH-2000X1500", 2.5, 700, 600}};
const std::vector<Placed> kFive = {
    {BARCODE_CODE128, "Bench 128", 0, 100, 100},       {BARCODE_EANX, "4006381333931", 0, 1100, 150},
    {BARCODE_C25INTER, "0123456789", 2.5, 150, 700},   {BARCODE_CODABAR, "A2000150B", 2.5, 1100, 750},
    {BARCODE_CODE93, "BENCH-93", 0, 600, 1150},
};

void ScanPicture(benchmark::State &state, const std::vector<Placed> &symbols, std::uint32_t symbologies,
                 int expected) {
    const std::vector<std::uint8_t> dib = Picture(symbols);
    ZrBarScanner scanner;
    ZrInitBarScanner(&scanner);
    scanner.image = dib.data();
    for (auto _ : state) {
        scanner.symbologies = symbologies;
        ZrScanBar(&scanner);
        if (scanner.resultCount != expected) state.SkipWithError("unexpected result count");
        benchmark::DoNotOptimize(scanner.resultCount);
    }
    ZrFreeBarScanner(&scanner);
}

void BM_ScanBarCode39(benchmark::State &state) { ScanPicture(state, kCode39, ZR_BAR_CODE39, 1); }
void BM_ScanBarCode39All18(benchmark::State &state) { ScanPicture(state, kCode39, ZR_BAR_ALL, 1); }
void BM_ScanBarEmpty(benchmark::State &state) { ScanPicture(state, {}, ZR_BAR_CODE39, 0); }
void BM_ScanBarEmptyAll18(benchmark::State &state) { ScanPicture(state, {}, ZR_BAR_ALL, 0); }
void BM_ScanBarFiveSymbologiesAll18(benchmark::State &state) { ScanPicture(state, kFive, ZR_BAR_ALL, 5); }

BENCHMARK(BM_ScanBarCode39)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanBarCode39All18)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanBarEmpty)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanBarEmptyAll18)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanBarFiveSymbologiesAll18)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
