// Times ZrScanMicroQR on a 2000 x 1500 grey picture with one M4 symbol and
// on the same picture without it.
#include <benchmark/benchmark.h>

#include <vector>

#include "support/render.hpp"
#include "zr/ZrMicroQR.h"

namespace {

std::vector<std::uint8_t> Picture(bool withSymbol) {
    zr::test::Raster canvas = zr::test::Canvas(2000, 1500, 225);
    if (withSymbol) {
        zr::test::SymbolOptions options;
        options.symbology = BARCODE_MICROQR;
        options.data = "BENCH 2000X1500 M4";
        options.option1 = 1;  // level L
        options.option2 = 4;  // M4
        options.moduleSize = 5;
        options.quietZone = 2;
        zr::test::Paste(canvas, zr::test::RenderSymbol(options), 900, 650);
    }
    return zr::test::ToDib(zr::test::AddNoise(canvas, 20, 1), 8);
}

void ScanPicture(benchmark::State &state, bool withSymbol) {
    const std::vector<std::uint8_t> dib = Picture(withSymbol);
    ZrMicroQRScanner scanner;
    ZrInitMicroQRScanner(&scanner);
    scanner.image = dib.data();
    for (auto _ : state) {
        ZrScanMicroQR(&scanner);
        if (scanner.resultCount != (withSymbol ? 1 : 0)) state.SkipWithError("unexpected result count");
        benchmark::DoNotOptimize(scanner.resultCount);
    }
    ZrFreeMicroQRScanner(&scanner);
}

void BM_ScanMicroQRM4(benchmark::State &state) {
    ScanPicture(state, true);
}
void BM_ScanMicroQREmpty(benchmark::State &state) {
    ScanPicture(state, false);
}

BENCHMARK(BM_ScanMicroQRM4)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanMicroQREmpty)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
