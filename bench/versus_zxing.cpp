// Side by side with zxing-cpp on the same pictures, linear symbologies only
// on both sides, alternating the two readers in one process. Prints each
// picture's two medians and their ratio (ours / theirs). A benchmark, not a
// test: figures on a shared machine are noisy, so only medians are shown.
//
//   versus_zxing [ROUNDS] [PNG...]
#include <ZXing/ReadBarcode.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "support/render.hpp"
#include "zr/ZrBar.h"
#include "zr/ZrImgRW.h"

namespace {

struct Picture {
    std::string name;
    std::vector<std::uint8_t> dib;   // what ZrBar reads
    std::vector<std::uint8_t> grey;  // zxing-cpp's copy of a 1-bit picture, top row first
};

std::uint32_t Get32(const std::vector<std::uint8_t> &dib, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, dib.data() + at, 4);
    return v;
}

// zxing-cpp reads the DIB's own rows: top row first with a negative stride.
ZXing::ImageView ViewOf(const Picture &p) {
    const int width = static_cast<int>(Get32(p.dib, 4));
    const int height = static_cast<int>(Get32(p.dib, 8));
    const int depth = p.dib[14];
    if (depth == 1) return {p.grey.data(), width, height, ZXing::ImageFormat::Lum};
    const int pitch = ((depth * width + 31) / 32) * 4;
    const std::size_t pixels = 40 + (depth == 8 ? 1024 : 0);
    const std::uint8_t *top = p.dib.data() + pixels + static_cast<std::size_t>(height - 1) * pitch;
    return {top, width, height, depth == 8 ? ZXing::ImageFormat::Lum : ZXing::ImageFormat::BGR, -pitch};
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

template <class F>
double Millis(F &&f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::vector<Picture> Pictures(int argc, char **argv) {
    using namespace zr::test;
    std::vector<Picture> pictures;
    Raster empty = AddNoise(Canvas(2000, 1500, 225), 20, 1);
    Raster one = Canvas(2000, 1500, 225);
    SymbolOptions options;
    options.data = "BENCH-2000X1500";
    options.moduleSize = 3;
    options.wideRatio = 2.5;
    Paste(one, RenderSymbol(options), 700, 600);
    one = AddNoise(one, 20, 1);
    Raster noise = AddNoise(Canvas(2000, 1500, 128), 127, 3);
    for (int depth : {8, 24}) {
        const std::string bits = depth == 8 ? " 8-bit" : " 24-bit";
        pictures.push_back({"2000x1500 empty" + bits, ToDib(empty, depth), {}});
        pictures.push_back({"2000x1500 one Code 39" + bits, ToDib(one, depth), {}});
        pictures.push_back({"2000x1500 noise" + bits, ToDib(noise, depth), {}});
    }
    for (int i = 2; i < argc; ++i) {
        ZrImage image{};
        if (ZrReadPNG(&image, argv[i]) != ZR_OK) {
            ZrDestroyImage(&image);
            continue;
        }
        const std::size_t palette = image.bitsPerPixel == 8 ? 1024 : image.bitsPerPixel == 1 ? 8 : 0;
        const auto *block = static_cast<const std::uint8_t *>(image.dib);
        std::string name = argv[i];
        name = name.substr(name.find_last_of('/') + 1);
        Picture picture{name, std::vector<std::uint8_t>(block, block + 40 + palette + image.size), {}};
        if (image.bitsPerPixel == 1) {
            // Expanded outside the timing: zxing-cpp has no 1-bit input.
            const std::uint8_t zeroLevel = block[40];
            for (std::uint32_t y = 0; y < image.height; ++y) {
                const std::uint8_t *row = block + 40 + palette + (image.height - 1 - y) * image.pitch;
                for (std::uint32_t x = 0; x < image.width; ++x) {
                    const bool set = (row[x >> 3] >> (7 - (x & 7))) & 1;
                    picture.grey.push_back(set ? block[44] : zeroLevel);
                }
            }
        }
        pictures.push_back(std::move(picture));
        ZrDestroyImage(&image);
    }
    return pictures;
}

}  // namespace

int main(int argc, char **argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    const std::vector<Picture> pictures = Pictures(argc, argv);
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::LinearCodes);
    hints.setTryHarder(true);
    hints.setTryRotate(true);

    std::printf("%-36s %10s %10s %7s %5s %5s\n", "picture", "ZrBar ms", "zxing ms", "ratio", "ours", "zx");
    std::vector<double> ratios;
    for (const Picture &picture : pictures) {
        std::vector<double> ours, theirs;
        int ourCount = 0, theirCount = 0;
        const ZXing::ImageView view = ViewOf(picture);
        for (int r = 0; r < rounds; ++r) {
            ZrBarScanner scanner;
            ZrInitBarScanner(&scanner);
            scanner.image = picture.dib.data();
            ours.push_back(Millis([&] { ZrScanBar(&scanner); }));
            ourCount = scanner.resultCount;
            ZrFreeBarScanner(&scanner);
            theirs.push_back(
                Millis([&] { theirCount = static_cast<int>(ZXing::ReadBarcodes(view, hints).size()); }));
        }
        const double ratio = Median(ours) / Median(theirs);
        ratios.push_back(ratio);
        std::printf("%-36.36s %10.3f %10.3f %7.3f %5d %5d\n", picture.name.c_str(), Median(ours),
                    Median(theirs), ratio, ourCount, theirCount);
    }
    std::printf("median ratio %.3f over %zu pictures\n", Median(ratios), ratios.size());
    return 0;
}
