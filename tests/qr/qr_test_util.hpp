// QR Code test pictures from libzint and a scan helper around the reader's C interface.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/render.hpp"
#include "support/scan_with.hpp"
#include "zr/ZrQR.h"

namespace zr::qr::test {

using zr::test::Raster;

// zint's option_1 for the levels L, M, Q, H.
enum Level { kL = 1, kM = 2, kQ = 3, kH = 4 };

struct QrSymbol {
    std::string data;
    int version = 0;  // 0: smallest that holds the data
    int level = kM;
    int mask = -1;  // -1: zint chooses
    int moduleSize = 4;
    int quietZone = 4;
    int inputMode = DATA_MODE;
};

inline Raster QrModules(const QrSymbol &symbol) {
    zr::test::SymbolOptions o;
    o.symbology = BARCODE_QRCODE;
    o.data = symbol.data;
    o.option1 = symbol.level;
    o.option2 = symbol.version;
    o.option3 = symbol.mask >= 0 ? (symbol.mask + 1) << 8 : 0;
    o.inputMode = symbol.inputMode;
    std::string error;
    Raster r = zr::test::EncodeModules(o, &error);
    EXPECT_FALSE(r.empty()) << error;
    return r;
}

inline Raster QrPicture(const QrSymbol &symbol) {
    return zr::test::ExpandModules(QrModules(symbol), symbol.moduleSize, 0, symbol.quietZone);
}

// A symbol with an ECI header or a structured-append header, which the
// shared renderer does not set: one pixel per module, no margin.
inline Raster QrModulesWithHeader(const std::string &data, int eci, int appendCount) {
    zint_symbol *s = ZBarcode_Create();
    s->symbology = BARCODE_QRCODE;
    s->option_1 = kM;
    s->eci = eci;
    if (appendCount > 0) {
        s->structapp.index = 1;
        s->structapp.count = appendCount;
    }
    s->scale = 0.5f;
    s->output_options = BARCODE_NO_QUIET_ZONES;
    Raster r;
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.data());
    if (ZBarcode_Encode_and_Buffer(s, bytes, static_cast<int>(data.size()), 0) < ZINT_ERROR && s->bitmap) {
        r.width = s->bitmap_width;
        r.height = s->bitmap_height;
        r.pixels.resize(static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height));
        for (std::size_t i = 0; i < r.pixels.size(); ++i) r.pixels[i] = s->bitmap[3 * i] < 128 ? 0 : 255;
    }
    ZBarcode_Delete(s);
    EXPECT_FALSE(r.empty());
    return r;
}

// One scan with the given options (ScanWith): the status, the results and the record as left.
struct Scan {
    std::uint16_t status = 0;
    std::vector<QRResult> results;
    ZrQRScanner scanner{};

    explicit Scan(const Raster &picture, int bits = 8, std::uint8_t scanFlags = 3,
                  std::uint8_t maxResults = 20) {
        zr::test::ScanOutcome<zr::test::QRReader> outcome =
            zr::test::ScanWith<zr::test::QRReader>(picture, bits, [&](ZrQRScanner &s) {
                s.scanFlags = scanFlags;
                s.maxResults = maxResults;
            });
        status = outcome.status;
        results = std::move(outcome.results);
        scanner = outcome.after;
    }
    std::string Text(std::size_t i = 0) const {
        return i < results.size() ? std::string(results[i].text, results[i].length) : std::string("<none>");
    }
};

}  // namespace zr::qr::test
