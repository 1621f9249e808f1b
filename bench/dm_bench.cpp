// Times ZrScanDM on a 2000 x 1500 grey picture with one 24 x 24 symbol, one
// 144 x 144 symbol, one 26 x 64 extension symbol (read by the second look)
// and none; and on a 2000 x 1500 picture of full-range noise. The pictures
// without a symbol run with defaults and with the first look only, which
// shows what the second look costs where it finds nothing. A 240 x 240
// picture with one 24 x 24 symbol, the size of most sample photographs,
// shows what a scan costs apart from the picture's size.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "support/render.hpp"
#include "zr/ZrDM.h"

namespace {

// Data for `codewords` ASCII codewords of lower-case letters.
std::string Letters(int count) {
    std::string data;
    for (int i = 0; i < count; ++i) data.push_back(static_cast<char>('a' + (i * 7) % 26));
    return data;
}

constexpr int kWidth = 2000, kHeight = 1500;
constexpr int kFirstExtensionSize = 31;  // zint's size number of 8 x 48
constexpr std::uint8_t kDefaults = ZR_DM_BOTH;
constexpr std::uint8_t kFirstLookOnly = ZR_DM_BOTH | ZR_DM_FIRST_LOOK_ONLY;

// zint's size number: 12 is 24 x 24, 24 is 144 x 144, 31 .. 48 the extension
// sizes; 0 draws no symbol.
std::vector<std::uint8_t> Picture(int zintSize, int letters, int moduleSize, int width = kWidth,
                                  int height = kHeight) {
    zr::test::Raster canvas = zr::test::Canvas(width, height, 225);
    if (zintSize != 0) {
        zr::test::SymbolOptions options;
        options.symbology = BARCODE_DATAMATRIX;
        options.data = Letters(letters);
        options.option2 = zintSize;
        options.option3 = zintSize >= kFirstExtensionSize ? DM_DMRE : 0;
        options.moduleSize = moduleSize;
        zr::test::Paste(canvas, zr::test::RenderSymbol(options), width == kWidth ? 700 : 20,
                        height == kHeight ? 500 : 20);
    }
    return zr::test::ToDib(zr::test::AddNoise(canvas, 20, 1), 8);
}

void ScanDib(benchmark::State &state, const std::vector<std::uint8_t> &dib, int expected,
             std::uint8_t flags) {
    ZrDMScanner scanner;
    ZrInitDMScanner(&scanner);
    scanner.scanFlags = flags;
    scanner.image = dib.data();
    for (auto _ : state) {
        ZrScanDM(&scanner);
        if (scanner.resultCount != expected) state.SkipWithError("unexpected result count");
        benchmark::DoNotOptimize(scanner.resultCount);
    }
    ZrFreeDMScanner(&scanner);
}

void ScanPicture(benchmark::State &state, int zintSize, int letters, int moduleSize,
                 std::uint8_t flags = kDefaults) {
    ScanDib(state, Picture(zintSize, letters, moduleSize), zintSize != 0 ? 1 : 0, flags);
}

void BM_ScanDM24x24(benchmark::State &state) {
    ScanPicture(state, 12, 30, 6);
}
void BM_ScanDM144x144(benchmark::State &state) {
    ScanPicture(state, 24, 1500, 3);
}
void BM_ScanDMSmallPicture24x24(benchmark::State &state) {
    ScanDib(state, Picture(12, 30, 4, 240, 240), 1, kDefaults);
}
void BM_ScanDMEmpty(benchmark::State &state) {
    ScanPicture(state, 0, 0, 0);
}
void BM_ScanDMEmptyFirstLookOnly(benchmark::State &state) {
    ScanPicture(state, 0, 0, 0, kFirstLookOnly);
}
void BM_ScanDMExtension26x64(benchmark::State &state) {
    ScanPicture(state, 48, 100, 5);
}
void ScanNoise(benchmark::State &state, std::uint8_t flags) {
    const zr::test::Raster noise = zr::test::AddNoise(zr::test::Canvas(kWidth, kHeight, 128), 127, 1);
    ScanDib(state, zr::test::ToDib(noise, 8), 0, flags);
}
void BM_ScanDMNoise(benchmark::State &state) {
    ScanNoise(state, kDefaults);
}
void BM_ScanDMNoiseFirstLookOnly(benchmark::State &state) {
    ScanNoise(state, kFirstLookOnly);
}

BENCHMARK(BM_ScanDM24x24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanDM144x144)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanDMSmallPicture24x24)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScanDMEmpty)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanDMEmptyFirstLookOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanDMExtension26x64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanDMNoise)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanDMNoiseFirstLookOnly)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
