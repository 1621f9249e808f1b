// Times ZrScanDM on a 2000 x 1500 grey picture with one 24 x 24 symbol, one
// 144 x 144 symbol, and none.
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

// zint's size number: 12 is 24 x 24, 24 is 144 x 144; 0 draws no symbol.
std::vector<std::uint8_t> Picture(int zintSize, int letters, int moduleSize) {
    zr::test::Raster canvas = zr::test::Canvas(2000, 1500, 225);
    if (zintSize != 0) {
        zr::test::SymbolOptions options;
        options.symbology = BARCODE_DATAMATRIX;
        options.data = Letters(letters);
        options.option2 = zintSize;
        options.moduleSize = moduleSize;
        zr::test::Paste(canvas, zr::test::RenderSymbol(options), 700, 500);
    }
    return zr::test::ToDib(zr::test::AddNoise(canvas, 20, 1), 8);
}

void ScanPicture(benchmark::State &state, int zintSize, int letters, int moduleSize) {
    const std::vector<std::uint8_t> dib = Picture(zintSize, letters, moduleSize);
    ZrDMScanner scanner;
    ZrInitDMScanner(&scanner);
    scanner.scanFlags = 3;
    scanner.image = dib.data();
    for (auto _ : state) {
        ZrScanDM(&scanner);
        if (scanner.resultCount != (zintSize != 0 ? 1 : 0)) state.SkipWithError("unexpected result count");
        benchmark::DoNotOptimize(scanner.resultCount);
    }
    ZrFreeDMScanner(&scanner);
}

void BM_ScanDM24x24(benchmark::State &state) {
    ScanPicture(state, 12, 30, 6);
}
void BM_ScanDM144x144(benchmark::State &state) {
    ScanPicture(state, 24, 1500, 3);
}
void BM_ScanDMEmpty(benchmark::State &state) {
    ScanPicture(state, 0, 0, 0);
}

BENCHMARK(BM_ScanDM24x24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanDM144x144)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanDMEmpty)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
