// The preparation every reader runs: the caller's DIB to the bi-level working
// image, at 8 and 24 bits, by the global threshold and by local thresholds,
// beside a plain copy of the same pixel bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "core/image.hpp"
#include "core/local_threshold.hpp"
#include "core/prepare.hpp"
#include "support/render.hpp"

namespace {

std::vector<std::uint8_t> Picture(int depth) {
    return zr::test::ToDib(zr::test::AddNoise(zr::test::Canvas(2000, 1500, 200), 60, 1), depth);
}

void BM_DibToBiLevel(benchmark::State &state) {
    const std::vector<std::uint8_t> dib = Picture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ZrImage work{};
        benchmark::DoNotOptimize(zr::DibToBiLevel(&work, dib.data()));
        zr::ImageDestroy(&work);
    }
}

void BM_DibToLocalBiLevel(benchmark::State &state) {
    const std::vector<std::uint8_t> dib = Picture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ZrImage work{};
        benchmark::DoNotOptimize(zr::DibToLocalBiLevel(&work, dib.data()));
        zr::ImageDestroy(&work);
    }
}

void BM_CopyPixels(benchmark::State &state) {
    const std::vector<std::uint8_t> dib = Picture(static_cast<int>(state.range(0)));
    std::vector<std::uint8_t> copy(dib.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), dib.data(), dib.size());
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_DibToBiLevel)
    ->Arg(8)
    ->Arg(24)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_DibToLocalBiLevel)
    ->Arg(8)
    ->Arg(24)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_CopyPixels)
    ->Arg(8)
    ->Arg(24)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
