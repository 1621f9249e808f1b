// Times ZrScanPDF417 on a 2000 x 1500 grey picture with one 10-column symbol
// (rows horizontal, and turned so that they run vertically), on the same
// picture without it, and on full-range noise (the benchmarks' noise scene,
// where many start-pattern candidates come to nothing); where zxing-cpp is
// installed, its PDF417 reader on the same pictures as a yardstick.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_pictures.hpp"
#include "support/render_pdf417.hpp"
#include "zr/ZrPDF417.h"

#if defined(ZR_HAVE_ZXING)
#include <ZXing/ReadBarcode.h>
#endif

namespace {

enum class Layout { kEmpty, kHorizontal, kVertical, kNoise };

struct Picture {
    zr::test::Raster grey;
    std::vector<std::uint8_t> dib;
};

Picture Make(Layout layout) {
    if (layout == Layout::kNoise) {
        Picture p;
        p.grey = zr::bench::SceneRaster(zr::bench::Scene::Noise);
        p.dib = zr::test::ToDib(p.grey, 8);
        return p;
    }
    zr::test::Raster canvas = zr::test::Canvas(2000, 1500, 225);
    if (layout != Layout::kEmpty) {
        zr::test::Pdf417Options options;
        options.data = "BENCH-2000X1500 PDF417 with ten data columns and level 3 correction 0123456789";
        options.columns = 10;
        options.level = 3;
        options.moduleSize = 3;
        options.rowHeight = 3;
        zr::test::Raster symbol = zr::test::RenderPdf417(options).picture;
        if (layout == Layout::kVertical) symbol = zr::test::RotateQuarter(symbol, 1);
        zr::test::Paste(canvas, symbol, 500, 400);
    }
    Picture p;
    // Light noise: at the linear benchmark's amplitude of 20 zxing-cpp's PDF417 reader finds nothing.
    p.grey = zr::test::AddNoise(canvas, 6, 1);
    p.dib = zr::test::ToDib(p.grey, 8);
    return p;
}

void ScanPicture(benchmark::State &state, Layout layout, std::uint8_t flags = 0) {
    const Picture picture = Make(layout);
    ZrPDF417Scanner scanner;
    ZrInitPDF417Scanner(&scanner);
    scanner.image = picture.dib.data();
    scanner.directions = static_cast<std::uint8_t>(scanner.directions | flags);
    const int expected = layout == Layout::kEmpty || layout == Layout::kNoise ? 0 : 1;
    for (auto _ : state) {
        ZrScanPDF417(&scanner);
        if (scanner.resultCount != expected) state.SkipWithError("unexpected result count");
        benchmark::DoNotOptimize(scanner.resultCount);
    }
    ZrFreePDF417Scanner(&scanner);
}

void BM_ScanPdf417TenColumns(benchmark::State &state) {
    ScanPicture(state, Layout::kHorizontal);
}
void BM_ScanPdf417TenColumnsVertical(benchmark::State &state) {
    ScanPicture(state, Layout::kVertical);
}
void BM_ScanPdf417Empty(benchmark::State &state) {
    ScanPicture(state, Layout::kEmpty);
}

void BM_ScanPdf417Noise(benchmark::State &state) {
    ScanPicture(state, Layout::kNoise);
}
void BM_ScanPdf417NoiseFirstLookOnly(benchmark::State &state) {
    ScanPicture(state, Layout::kNoise, ZR_PDF417_FIRST_LOOK_ONLY);
}

BENCHMARK(BM_ScanPdf417TenColumns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanPdf417TenColumnsVertical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanPdf417Empty)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanPdf417Noise)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanPdf417NoiseFirstLookOnly)->Unit(benchmark::kMillisecond);

#if defined(ZR_HAVE_ZXING)
// zxing-cpp reads PDF417 rows horizontally only: the vertical picture is its
// count check (0 found) rather than a like-for-like time.
void ZXingPicture(benchmark::State &state, Layout layout) {
    const Picture picture = Make(layout);
    const ZXing::ImageView view(picture.grey.pixels.data(), picture.grey.width, picture.grey.height,
                                ZXing::ImageFormat::Lum);
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::PDF417);
    hints.setTryRotate(false);
    hints.setTryHarder(true);
    int found = 0;
    for (auto _ : state) {
        found = static_cast<int>(ZXing::ReadBarcodes(view, hints).size());
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = found;
}

void BM_ZXingPdf417TenColumns(benchmark::State &state) {
    ZXingPicture(state, Layout::kHorizontal);
}
void BM_ZXingPdf417TenColumnsVertical(benchmark::State &state) {
    ZXingPicture(state, Layout::kVertical);
}
void BM_ZXingPdf417Empty(benchmark::State &state) {
    ZXingPicture(state, Layout::kEmpty);
}
void BM_ZXingPdf417Noise(benchmark::State &state) {
    ZXingPicture(state, Layout::kNoise);
}

BENCHMARK(BM_ZXingPdf417TenColumns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZXingPdf417TenColumnsVertical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZXingPdf417Empty)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZXingPdf417Noise)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
