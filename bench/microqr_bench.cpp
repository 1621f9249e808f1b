// Times ZrScanMicroQR on a 2000 x 1500 grey picture with one M4 symbol, on
// the same picture without it, and on pages crowded with finder-like rings
// (every ring is a finder candidate tried in four rotations).
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

// A page of 7 x 7-module rings of `module` pixels, as close as they fit.
std::vector<std::uint8_t> Rings(int module) {
    zr::test::Raster canvas = zr::test::Canvas(2000, 1500, 225);
    const int side = 7 * module, pitch = side + 2 + module;
    for (int y0 = 20; y0 + side < 1500; y0 += pitch)
        for (int x0 = 20; x0 + side < 2000; x0 += pitch)
            for (int j = 0; j < side; ++j)
                for (int i = 0; i < side; ++i) {
                    const int mj = j / module, mi = i / module;
                    const bool ring = mi == 0 || mi == 6 || mj == 0 || mj == 6;
                    const bool core = mi >= 2 && mi <= 4 && mj >= 2 && mj <= 4;
                    if (ring || core) canvas.at(x0 + j, y0 + i) = 0;
                }
    return zr::test::ToDib(canvas, 8);
}

void Scan(benchmark::State &state, const std::vector<std::uint8_t> &dib, int expected) {
    ZrMicroQRScanner scanner;
    ZrInitMicroQRScanner(&scanner);
    scanner.image = dib.data();
    for (auto _ : state) {
        ZrScanMicroQR(&scanner);
        if (scanner.resultCount != expected) state.SkipWithError("unexpected result count");
        benchmark::DoNotOptimize(scanner.resultCount);
    }
    ZrFreeMicroQRScanner(&scanner);
}

void BM_ScanMicroQRM4(benchmark::State &state) {
    Scan(state, Picture(true), 1);
}
void BM_ScanMicroQREmpty(benchmark::State &state) {
    Scan(state, Picture(false), 0);
}
// range(0): pixels per module of the rings.
void BM_ScanMicroQRFinderRings(benchmark::State &state) {
    Scan(state, Rings(static_cast<int>(state.range(0))), 0);
}

BENCHMARK(BM_ScanMicroQRM4)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanMicroQREmpty)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanMicroQRFinderRings)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
