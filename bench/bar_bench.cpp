// Times ZrScanBar on 2000 x 1500 pictures: without a symbol and with one
// Code 39 symbol at 8 and 24 bits, and pure noise.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_pictures.hpp"
#include "zr/ZrBar.h"

namespace {

void ScanPicture(benchmark::State &state, zr::bench::Scene scene, int depth) {
    const std::vector<std::uint8_t> dib = zr::bench::SceneDib(scene, depth);
    const int expected = zr::bench::ExpectedResults(scene);
    ZrBarScanner scanner;
    ZrInitBarScanner(&scanner);
    scanner.image = dib.data();
    for (auto _ : state) {
        ZrScanBar(&scanner);
        if (expected >= 0 && scanner.resultCount != expected) state.SkipWithError("unexpected result count");
        benchmark::DoNotOptimize(scanner.resultCount);
    }
    ZrFreeBarScanner(&scanner);
}

void BM_ScanBarEmpty(benchmark::State &state) {
    ScanPicture(state, zr::bench::Scene::Empty, 8);
}
void BM_ScanBarCode39(benchmark::State &state) {
    ScanPicture(state, zr::bench::Scene::Code39, 8);
}
void BM_ScanBarEmpty24(benchmark::State &state) {
    ScanPicture(state, zr::bench::Scene::Empty, 24);
}
void BM_ScanBarNoise(benchmark::State &state) {
    ScanPicture(state, zr::bench::Scene::Noise, 8);
}

BENCHMARK(BM_ScanBarEmpty)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanBarCode39)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanBarEmpty24)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanBarNoise)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
