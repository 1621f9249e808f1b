// Times ZrScanBar on a 2000 x 1500 grey picture with one Code 39 symbol and
// on the same picture without it.
#include <benchmark/benchmark.h>

#include <vector>

#include "support/render.hpp"
#include "zr/ZrBar.h"

namespace {

std::vector<std::uint8_t> Picture(bool withSymbol) {
    zr::test::Raster canvas = zr::test::Canvas(2000, 1500, 225);
    if (withSymbol) {
        zr::test::SymbolOptions options;
        options.data = "BENCH-2000X1500";
        options.moduleSize = 3;
        options.wideRatio = 2.5;
        zr::test::Paste(canvas, zr::test::RenderSymbol(options), 700, 600);
    }
    return zr::test::ToDib(zr::test::AddNoise(canvas, 20, 1), 8);
}

void ScanPicture(benchmark::State &state, bool withSymbol) {
    const std::vector<std::uint8_t> dib = Picture(withSymbol);
    ZrBarScanner scanner;
    ZrInitBarScanner(&scanner);
    scanner.image = dib.data();
    for (auto _ : state) {
        ZrScanBar(&scanner);
        if (scanner.resultCount != (withSymbol ? 1 : 0)) state.SkipWithError("unexpected result count");
        benchmark::DoNotOptimize(scanner.resultCount);
    }
    ZrFreeBarScanner(&scanner);
}

void BM_ScanBarCode39(benchmark::State &state) {
    ScanPicture(state, true);
}
void BM_ScanBarEmpty(benchmark::State &state) {
    ScanPicture(state, false);
}

BENCHMARK(BM_ScanBarCode39)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanBarEmpty)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
