// Side by side with zxing-cpp on the same pictures, one symbology family at
// a time on both sides (linear, DataMatrix, PDF417, QR Code), alternating the two
// readers in one process. Prints each
// picture's two medians and their ratio (ours / theirs). A benchmark, not a
// test: figures on a shared machine are noisy, so only medians are shown.
//
//   versus_zxing [ROUNDS] [PNG...]   (a PNG whose name starts with "dm" or holds
//   "datamatrix" is read as DataMatrix, one whose name holds "pdf417" as PDF417,
//   one whose name starts with "qr" or holds "qrcode" as QR Code, any other as linear)
//
// zxing-cpp reads PDF417 rows horizontally only (its rotation retries turn
// the picture), and at the noise of the other pictures (20) it finds no
// PDF417 symbol: the PDF417 pictures carry light noise (6).
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
#include "support/render_pdf417.hpp"
#include "zr/ZrBar.h"
#include "zr/ZrDM.h"
#include "zr/ZrImgRW.h"
#include "zr/ZrPDF417.h"
#include "zr/ZrQR.h"

namespace {

// Which of our readers a picture is for, and the zxing-cpp formats to match.
enum class Family { Linear, DataMatrix, Pdf417, Qr };

struct Picture {
    std::string name;
    std::vector<std::uint8_t> dib;   // what our reader reads
    std::vector<std::uint8_t> grey;  // zxing-cpp's copy of a 1-bit picture, top row first
    Family family = Family::Linear;
};

// Runs our reader of the picture's family once; returns the symbols found.
int ScanOurs(const Picture &picture) {
    if (picture.family == Family::DataMatrix) {
        ZrDMScanner scanner;
        ZrInitDMScanner(&scanner);
        scanner.image = picture.dib.data();
        ZrScanDM(&scanner);
        ZrFreeDMScanner(&scanner);
        return scanner.resultCount;
    }
    if (picture.family == Family::Pdf417) {
        ZrPDF417Scanner scanner;
        ZrInitPDF417Scanner(&scanner);
        scanner.image = picture.dib.data();
        ZrScanPDF417(&scanner);
        ZrFreePDF417Scanner(&scanner);
        return scanner.resultCount;
    }
    if (picture.family == Family::Qr) {
        ZrQRScanner scanner;
        ZrInitQRScanner(&scanner);
        scanner.image = picture.dib.data();
        ZrScanQR(&scanner);
        ZrFreeQRScanner(&scanner);
        return scanner.resultCount;
    }
    ZrBarScanner scanner;
    ZrInitBarScanner(&scanner);
    scanner.image = picture.dib.data();
    ZrScanBar(&scanner);
    ZrFreeBarScanner(&scanner);
    return scanner.resultCount;
}

// A DataMatrix symbol of zint size `version` with `letters` data characters.
zr::test::Raster DataMatrixSymbol(int version, int letters, int moduleSize) {
    zr::test::SymbolOptions options;
    options.symbology = BARCODE_DATAMATRIX;
    for (int i = 0; i < letters; ++i) options.data.push_back(static_cast<char>('a' + (i * 7) % 26));
    options.option2 = version;
    options.moduleSize = moduleSize;
    return zr::test::RenderSymbol(options);
}

// A version-5 QR Code symbol at level M.
zr::test::Raster QrSymbol(int index, int moduleSize) {
    zr::test::SymbolOptions options;
    options.symbology = BARCODE_QRCODE;
    options.data = "ZrQR bench symbol " + std::to_string(index);
    options.option1 = 2;
    options.option2 = 5;
    options.moduleSize = moduleSize;
    options.quietZone = 4;
    return zr::test::RenderSymbol(options);
}

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
    Raster small = Canvas(2000, 1500, 225), large = Canvas(2000, 1500, 225);
    Paste(small, DataMatrixSymbol(12, 30, 6), 700, 500);    // 24 x 24
    Paste(large, DataMatrixSymbol(24, 1500, 3), 700, 500);  // 144 x 144
    pictures.push_back({"2000x1500 empty DataMatrix", ToDib(empty, 8), {}, Family::DataMatrix});
    pictures.push_back({"2000x1500 noise DataMatrix", ToDib(noise, 8), {}, Family::DataMatrix});
    pictures.push_back({"2000x1500 one DM 24x24", ToDib(AddNoise(small, 20, 1), 8), {}, Family::DataMatrix});
    pictures.push_back(
        {"2000x1500 one DM 144x144", ToDib(AddNoise(large, 20, 1), 8), {}, Family::DataMatrix});
    zr::test::Pdf417Options pdf417;
    pdf417.data = "BENCH-2000X1500 PDF417 with ten data columns and level 3 correction 0123456789";
    pdf417.columns = 10;
    pdf417.level = 3;
    pdf417.moduleSize = 3;
    const Raster rows = zr::test::RenderPdf417(pdf417).picture;
    Raster horizontal = Canvas(2000, 1500, 225), vertical = Canvas(2000, 1500, 225);
    Paste(horizontal, rows, 500, 400);
    Paste(vertical, RotateQuarter(rows, 1), 500, 400);
    pictures.push_back(
        {"2000x1500 empty PDF417", ToDib(AddNoise(Canvas(2000, 1500, 225), 6, 1), 8), {}, Family::Pdf417});
    pictures.push_back({"2000x1500 noise PDF417", ToDib(noise, 8), {}, Family::Pdf417});
    pictures.push_back(
        {"2000x1500 PDF417 10 cols", ToDib(AddNoise(horizontal, 6, 1), 8), {}, Family::Pdf417});
    pictures.push_back(
        {"2000x1500 PDF417 10 cols vertical", ToDib(AddNoise(vertical, 6, 1), 8), {}, Family::Pdf417});
    Raster oneQr = Canvas(2000, 1500, 225), tenQr = Canvas(2000, 1500, 225);
    Paste(oneQr, QrSymbol(0, 4), 800, 600);
    for (int i = 0; i < 10; ++i) Paste(tenQr, QrSymbol(i, 4), 60 + (i % 5) * 380, 200 + (i / 5) * 600);
    pictures.push_back({"2000x1500 empty QR", ToDib(empty, 8), {}, Family::Qr});
    pictures.push_back({"2000x1500 noise QR", ToDib(noise, 8), {}, Family::Qr});
    pictures.push_back({"2000x1500 one QR version 5", ToDib(AddNoise(oneQr, 20, 1), 8), {}, Family::Qr});
    pictures.push_back({"2000x1500 ten QR version 5", ToDib(AddNoise(tenQr, 20, 1), 8), {}, Family::Qr});
    for (int i = 2; i < argc; ++i) {
        ZrImage image{};
        if (ZrReadPNG(&image, argv[i]) != ZR_OK) {
            ZrDestroyImage(&image);
            continue;
        }
        const std::size_t palette = image.bitsPerPixel == 8 ? 1024 : image.bitsPerPixel == 1 ? 8 : 0;
        const auto *block = static_cast<const std::uint8_t *>(image.dib);
        // The family comes from the file or folder name (the sample sets are named by symbology).
        const std::string path = argv[i];
        const std::size_t slash = path.find_last_of('/');
        const std::size_t folder = slash == std::string::npos ? 0 : path.find_last_of('/', slash - 1) + 1;
        const std::string name = path.substr(slash + 1), where = path.substr(folder);
        Picture picture{where, std::vector<std::uint8_t>(block, block + 40 + palette + image.size), {}};
        if (name.rfind("dm", 0) == 0 || where.find("datamatrix") != std::string::npos)
            picture.family = Family::DataMatrix;
        if (where.find("pdf417") != std::string::npos) picture.family = Family::Pdf417;
        if (name.rfind("qr", 0) == 0 || where.find("qrcode") != std::string::npos) picture.family = Family::Qr;
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
    hints.setTryHarder(true);
    hints.setTryRotate(true);

    std::printf("%-36s %10s %10s %7s %5s %5s\n", "picture", "ours ms", "zxing ms", "ratio", "ours", "zx");
    std::vector<double> ratios;
    for (const Picture &picture : pictures) {
        std::vector<double> ours, theirs;
        int ourCount = 0, theirCount = 0;
        const ZXing::ImageView view = ViewOf(picture);
        hints.setFormats(picture.family == Family::DataMatrix ? ZXing::BarcodeFormat::DataMatrix
                         : picture.family == Family::Pdf417   ? ZXing::BarcodeFormat::PDF417
                         : picture.family == Family::Qr       ? ZXing::BarcodeFormat::QRCode
                                                              : ZXing::BarcodeFormat::LinearCodes);
        for (int r = 0; r < rounds; ++r) {
            ours.push_back(Millis([&] { ourCount = ScanOurs(picture); }));
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
