// The part of scan_digest that covers the two-dimensional and stacked readers:
// QR, Micro QR, DataMatrix and PDF417 symbols of several sizes, turned by
// quarter turns and odd angles, damaged so that correction works or fails,
// at 1, 8 and 24 bits, both colours, with search rectangles and every
// scanFlags / colour / direction setting. Every field of every result and
// the status and options the scan wrote back are printed; run times are not.
#include "digest_matrix.hpp"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "support/readers.hpp"
#include "support/render.hpp"
#include "support/render_pdf417.hpp"
#include "zr/ZrDM.h"
#include "zr/ZrMicroQR.h"
#include "zr/ZrPDF417.h"
#include "zr/ZrQR.h"

namespace zr::digest {

namespace {

using namespace zr::test;

struct Scene {
    std::string name;
    Raster raster;
};

// Paints `count` squares of `size` pixels, dark or light at random, over the
// middle of the picture, so that some codewords need correction.
Raster Blotch(Raster r, int count, int size, std::uint32_t seed) {
    const int margin = r.width / 5;
    for (int i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int x =
            margin + static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(r.width - 2 * margin));
        seed = seed * 1103515245u + 12345u;
        const int y =
            margin + static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(r.height - 2 * margin));
        const std::uint8_t grey = ((seed >> 20) & 1) ? 0 : 255;
        for (int dy = 0; dy < size; ++dy)
            for (int dx = 0; dx < size; ++dx)
                if (x + dx < r.width && y + dy < r.height) r.at(x + dx, y + dy) = grey;
    }
    return r;
}

// The symbol as drawn, its quarter turns, odd angles and damaged copies.
void AddVariants(std::vector<Scene> &scenes, const std::string &name, const Raster &symbol, int module) {
    if (symbol.empty()) {
        std::printf("%s: not rendered\n", name.c_str());
        return;
    }
    for (int quarter = 0; quarter < 4; ++quarter) {
        const Raster turned = RotateQuarter(symbol, quarter);
        Raster canvas = Canvas(turned.width + 60, turned.height + 50, 235);
        Paste(canvas, turned, 33, 21);
        scenes.push_back({name + " quarter " + std::to_string(quarter),
                          AddNoise(canvas, 12, static_cast<std::uint32_t>(quarter + 5))});
    }
    for (double degrees : {8.0, 33.0, 45.0, 152.0, 291.0}) {
        const Raster turned = Rotate(symbol, degrees, true, 255);
        Raster canvas = Canvas(turned.width + 40, turned.height + 40, 240);
        Paste(canvas, turned, 19, 21);
        scenes.push_back(
            {name + " " + std::to_string(static_cast<int>(degrees)) + " deg", AddNoise(canvas, 8, 9)});
    }
    for (int count : {3, 8, 20}) {
        scenes.push_back({name + " blotched " + std::to_string(count),
                          Blotch(symbol, count, 2 * module, static_cast<std::uint32_t>(count * 77))});
    }
    scenes.push_back({name + " blurred", Blur(symbol, 0.6 * module)});
    scenes.push_back({name + " low contrast", Remap(symbol, 90, 170)});
}

void AddNoiseScenes(std::vector<Scene> &scenes) {
    for (int amplitude : {60, 127}) {
        scenes.push_back(
            {"noise " + std::to_string(amplitude),
             AddNoise(Canvas(360, 280, 128), amplitude, static_cast<std::uint32_t>(amplitude + 1))});
    }
}

std::string Escaped(const char *bytes, std::size_t length) {
    std::string out;
    char hex[8];
    for (std::size_t i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

void PrintCorners(const std::int32_t *corners) {
    std::printf(" corners");
    for (int c = 0; c < 8; ++c) std::printf(" %d", corners[c]);
}

struct Picture {
    std::string label;
    std::vector<std::uint8_t> dib;
    int width;
    int height;
};

// Every scene at 1, 8 and 24 bits, as given and inverted.
template <class Visit>
void ForEachPicture(const std::vector<Scene> &scenes, Visit visit) {
    for (const Scene &scene : scenes) {
        for (int depth : {1, 8, 24}) {
            for (int inverted = 0; inverted < 2; ++inverted) {
                const Raster &raster = scene.raster;
                Picture picture{
                    scene.name + " / " + std::to_string(depth) + " bit" + (inverted ? " inverted" : ""),
                    ToDib(inverted ? Invert(raster) : raster, depth, 0, depth == 1 && inverted), raster.width,
                    raster.height};
                visit(picture);
            }
        }
    }
}

// Scanner fields shared by the four readers.
template <class Scanner>
void SetCommon(Scanner &scanner, const Picture &picture, bool rectangle, std::uint8_t maxResults) {
    scanner.image = picture.dib.data();
    scanner.maxResults = maxResults;
    if (rectangle) {
        scanner.left = 11;
        scanner.top = 7;
        scanner.rectWidth = static_cast<std::uint32_t>(picture.width - 23);
        scanner.rectHeight = static_cast<std::uint32_t>(picture.height - 17);
    }
}

struct FlagSetting {
    const char *name;
    std::uint8_t flags;
    bool rectangle;
    std::uint8_t maxResults;
};

constexpr FlagSetting kFlagSettings[] = {
    {"default", 0, false, 0},          {"as given", 1, false, 0}, {"inverted", 2, false, 0},
    {"both, one result", 3, false, 1}, {"rectangle", 0, true, 0}, {"flags 7", 7, false, 0},
};

// Every picture with every flag setting through one of the readers that take
// scanFlags, the first-look-only bit set; `print` writes one result.
template <class Reader, class PrintResult>
void DigestFlagged(const char *name, const std::vector<Scene> &scenes, std::uint8_t firstLookOnly,
                   PrintResult print) {
    ForEachPicture(scenes, [&](const Picture &picture) {
        for (const FlagSetting &setting : kFlagSettings) {
            typename Reader::Scanner scanner;
            Reader::Init(&scanner);
            SetCommon(scanner, picture, setting.rectangle, setting.maxResults);
            scanner.scanFlags = static_cast<std::uint8_t>(setting.flags | firstLookOnly);
            const std::uint16_t status = Reader::Scan(&scanner);
            std::printf("%s %s / %s: status %u count %u max %u flags %u\n", name, picture.label.c_str(),
                        setting.name, status, scanner.resultCount, scanner.maxResults,
                        static_cast<unsigned>(scanner.scanFlags & ~firstLookOnly));
            for (int i = 0; i < scanner.resultCount; ++i) print(scanner.results[i]);
            Reader::Free(&scanner);
        }
    });
}

std::vector<Scene> QrScenes() {
    std::vector<Scene> scenes;
    struct Kind {
        const char *name;
        std::string data;
        int version;
        int level;
        int module;
    };
    const Kind kinds[] = {
        {"qr v1 L", "DIGEST 1", 1, 1, 4},
        {"qr v2 H", "digest-qr two", 2, 4, 4},
        {"qr v5 Q", "Digest QR 5 with bytes \x01\x02 and more text 0123456789", 5, 3, 3},
        {"qr v10 M", "0123456789012345678901234567890123456789012345678901234567890123456789", 10, 2, 2},
        {"qr v25 L", std::string(400, 'Z'), 25, 1, 2},
    };
    for (const Kind &kind : kinds) {
        SymbolOptions o;
        o.symbology = BARCODE_QRCODE;
        o.data = kind.data;
        o.option1 = kind.level;
        o.option2 = kind.version;
        o.moduleSize = kind.module;
        o.quietZone = 4;
        AddVariants(scenes, kind.name, RenderSymbol(o), kind.module);
    }
    AddNoiseScenes(scenes);
    return scenes;
}

void DigestQr() {
    DigestFlagged<test::QRReader>("QR", QrScenes(), ZR_QR_FIRST_LOOK_ONLY, [](const QRResult &r) {
        std::printf("  version %u colour %u confidence %u length %u", r.version, r.barsColour, r.confidence,
                    r.length);
        PrintCorners(r.corners);
        std::printf(" text \"%s\"\n", Escaped(r.text, r.length).c_str());
    });
}

std::vector<Scene> MicroQrScenes() {
    std::vector<Scene> scenes;
    struct Kind {
        const char *name;
        std::string data;
        int version;
        int level;
        int module;
    };
    const Kind kinds[] = {
        {"microqr M1", "12345", 1, 0, 4},
        {"microqr M2 M", "DIG12", 2, 1, 4},
        {"microqr M3 L", "Digest m", 3, 0, 3},
        {"microqr M4 Q", "digest 4", 4, 2, 3},
    };
    for (const Kind &kind : kinds) {
        SymbolOptions o;
        o.symbology = BARCODE_MICROQR;
        o.data = kind.data;
        o.option1 = kind.level + 1;
        o.option2 = kind.version;
        o.moduleSize = kind.module;
        o.quietZone = 2;
        AddVariants(scenes, kind.name, RenderSymbol(o), kind.module);
    }
    AddNoiseScenes(scenes);
    return scenes;
}

void DigestMicroQr() {
    DigestFlagged<test::MicroQRReader>(
        "MicroQR", MicroQrScenes(), ZR_MICROQR_FIRST_LOOK_ONLY, [](const MicroQRResult &r) {
            std::printf("  version %u colour %u confidence %u length %u", r.version, r.barsColour,
                        r.confidence, r.length);
            PrintCorners(r.corners);
            std::printf(" text \"%s\"\n", Escaped(reinterpret_cast<const char *>(r.text), r.length).c_str());
        });
}

std::vector<Scene> DmScenes() {
    std::vector<Scene> scenes;
    struct Kind {
        const char *name;
        std::string data;
        int zintSize;  // zint's --vers: 1..24 squares from 10 x 10, 25..30 rectangles
        int module;
    };
    const Kind kinds[] = {
        {"dm 10x10", "123", 1, 5},
        {"dm 16x16", "Digest DM 16", 4, 4},
        {"dm 32x32", "Digest DataMatrix thirty-two by thirty-two, 0123456789", 9, 3},
        {"dm 64x64", std::string(180, 'q'), 14, 2},
        {"dm 8x18", "DM8X18", 25, 4},
        {"dm 16x48", "Digest rectangle 16 by 48", 30, 3},
    };
    for (const Kind &kind : kinds) {
        SymbolOptions o;
        o.symbology = BARCODE_DATAMATRIX;
        o.data = kind.data;
        o.option2 = kind.zintSize;
        o.moduleSize = kind.module;
        o.quietZone = 3;
        AddVariants(scenes, kind.name, RenderSymbol(o), kind.module);
    }
    AddNoiseScenes(scenes);
    return scenes;
}

void DigestDm() {
    DigestFlagged<test::DMReader>("DM", DmScenes(), ZR_DM_FIRST_LOOK_ONLY, [](const DMResult &r) {
        std::printf("  rows %d columns %d colour %u", r.rows, r.columns, r.barsColour);
        PrintCorners(r.corners);
        std::printf(" text \"%s\"\n", Escaped(r.text, std::string(r.text).size()).c_str());
    });
}

std::vector<Scene> Pdf417Scenes() {
    std::vector<Scene> scenes;
    struct Kind {
        const char *name;
        std::string data;
        int columns;
        int level;
        int module;
    };
    const Kind kinds[] = {
        {"pdf417 1 column", "PDF1", 1, 2, 3},
        {"pdf417 3 columns", "Digest PDF417 three columns 12345", 3, 3, 2},
        {"pdf417 8 columns", "Digest PDF417 with eight data columns and a longer text: 0123456789 abcdef", 8,
         5, 2},
    };
    for (const Kind &kind : kinds) {
        Pdf417Options o;
        o.data = kind.data;
        o.columns = kind.columns;
        o.level = kind.level;
        o.moduleSize = kind.module;
        o.quietZone = 4;
        AddVariants(scenes, kind.name, RenderPdf417(o).picture, kind.module);
    }
    AddNoiseScenes(scenes);
    return scenes;
}

struct Pdf417Setting {
    const char *name;
    std::uint8_t colours;
    std::uint8_t directions;
    bool rectangle;
    std::uint8_t maxResults;
};

void DigestPdf417() {
    const Pdf417Setting settings[] = {
        {"default", 0, 0, false, 0},    {"dark bars", 1, 15, false, 0}, {"light bars", 2, 15, false, 0},
        {"horizontal", 3, 3, false, 0}, {"vertical", 3, 12, false, 0},  {"one result", 3, 15, false, 1},
        {"rectangle", 3, 15, true, 0},
    };
    ForEachPicture(Pdf417Scenes(), [&](const Picture &picture) {
        for (const Pdf417Setting &setting : settings) {
            ZrPDF417Scanner scanner;
            ZrInitPDF417Scanner(&scanner);
            SetCommon(scanner, picture, setting.rectangle, setting.maxResults);
            if (setting.colours != 0) scanner.barColors = setting.colours;
            if (setting.directions != 0) scanner.directions = setting.directions;
            scanner.directions |= ZR_PDF417_FIRST_LOOK_ONLY;
            const std::uint16_t status = ZrScanPDF417(&scanner);
            std::printf("PDF417 %s / %s: status %u count %u max %u colours %u directions %u\n",
                        picture.label.c_str(), setting.name, status, scanner.resultCount, scanner.maxResults,
                        scanner.barColors, scanner.directions & ~ZR_PDF417_FIRST_LOOK_ONLY);
            for (int i = 0; i < scanner.resultCount; ++i) {
                const ZrPDF417Result &r = scanner.results[i];
                std::printf("  angle %.6f colour %u level %u confidence %d rows %d columns %d", r.angle,
                            r.barColor, r.ecLevel, r.confidence, r.rows, r.columns);
                PrintCorners(r.corners);
                std::printf(" text \"%s\"\n", Escaped(r.text, std::string(r.text).size()).c_str());
            }
            ZrFreePDF417Scanner(&scanner);
        }
    });
}

}  // namespace

void PrintMatrixDigest() {
    DigestQr();
    DigestMicroQr();
    DigestDm();
    DigestPdf417();
}

}  // namespace zr::digest
