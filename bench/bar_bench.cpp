// Times ZrScanBar on 2000 x 1500 pictures: without a symbol and with one
// Code 39 symbol at 8 and 24 bits, pure noise, and one symbol each of
// Code 128, EAN 13, Interleaved 2 of 5, Codabar and Code 93. Every symbology
// is enabled, except where Code 39 alone is (to show what the other
// seventeen cost).
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_pictures.hpp"
#include "zr/ZrBar.h"

namespace {

struct Placed {
    int symbology;
    const char *data;
    double wideRatio;  // 0 for symbologies of one- to four-module elements
    int x, y;
};

// Light paper with a little noise, as the benchmark scenes, and five symbols.
std::vector<std::uint8_t> FiveSymbologies() {
    zr::test::Raster canvas = zr::test::Canvas(2000, 1500, 225);
    const Placed symbols[] = {
        {BARCODE_CODE128, "Bench 128", 0, 100, 100},     {BARCODE_EANX, "4006381333931", 0, 1100, 150},
        {BARCODE_C25INTER, "0123456789", 2.5, 150, 700}, {BARCODE_CODABAR, "A2000150B", 2.5, 1100, 750},
        {BARCODE_CODE93, "BENCH-93", 0, 600, 1150},
    };
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

void ScanPicture(benchmark::State &state, const std::vector<std::uint8_t> &dib, int expected,
                 std::uint32_t symbologies = ZR_BAR_ALL, std::uint8_t extraFlags = 0) {
    ZrBarScanner scanner;
    ZrInitBarScanner(&scanner);
    scanner.image = dib.data();
    scanner.extraFlags = extraFlags;
    for (auto _ : state) {
        scanner.symbologies = symbologies;
        ZrScanBar(&scanner);
        if (expected >= 0 && scanner.resultCount != expected) state.SkipWithError("unexpected result count");
        benchmark::DoNotOptimize(scanner.resultCount);
    }
    ZrFreeBarScanner(&scanner);
}

void ScanScene(benchmark::State &state, zr::bench::Scene scene, int depth,
               std::uint32_t symbologies = ZR_BAR_ALL) {
    ScanPicture(state, zr::bench::SceneDib(scene, depth), zr::bench::ExpectedResults(scene), symbologies);
}

void BM_ScanBarEmpty(benchmark::State &state) {
    ScanScene(state, zr::bench::Scene::Empty, 8);
}
void BM_ScanBarCode39(benchmark::State &state) {
    ScanScene(state, zr::bench::Scene::Code39, 8);
}
void BM_ScanBarEmpty24(benchmark::State &state) {
    ScanScene(state, zr::bench::Scene::Empty, 24);
}
void BM_ScanBarNoise(benchmark::State &state) {
    ScanScene(state, zr::bench::Scene::Noise, 8);
}
// The same pictures with the first look alone: what the second look on grey levels costs.
void BM_ScanBarEmptyFirstLookOnly(benchmark::State &state) {
    ScanPicture(state, zr::bench::SceneDib(zr::bench::Scene::Empty, 8),
                zr::bench::ExpectedResults(zr::bench::Scene::Empty), ZR_BAR_ALL, ZR_BAR_FIRST_LOOK_ONLY);
}
void BM_ScanBarNoiseFirstLookOnly(benchmark::State &state) {
    ScanPicture(state, zr::bench::SceneDib(zr::bench::Scene::Noise, 8),
                zr::bench::ExpectedResults(zr::bench::Scene::Noise), ZR_BAR_ALL, ZR_BAR_FIRST_LOOK_ONLY);
}
void BM_ScanBarEmptyCode39Only(benchmark::State &state) {
    ScanScene(state, zr::bench::Scene::Empty, 8, ZR_BAR_CODE39);
}
void BM_ScanBarCode39Code39Only(benchmark::State &state) {
    ScanScene(state, zr::bench::Scene::Code39, 8, ZR_BAR_CODE39);
}
void BM_ScanBarNoiseCode39Only(benchmark::State &state) {
    ScanScene(state, zr::bench::Scene::Noise, 8, ZR_BAR_CODE39);
}
void BM_ScanBarFiveSymbologies(benchmark::State &state) {
    ScanPicture(state, FiveSymbologies(), 5);
}

BENCHMARK(BM_ScanBarEmpty)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanBarCode39)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanBarEmpty24)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanBarNoise)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanBarEmptyFirstLookOnly)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanBarNoiseFirstLookOnly)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanBarEmptyCode39Only)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanBarCode39Code39Only)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanBarNoiseCode39Only)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanBarFiveSymbologies)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
