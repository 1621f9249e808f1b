// Prints every result of the five readers over a fixed set of rendered
// pictures. For ZrScanBar: several symbologies, turned by quarter turns and by
// odd angles, at 1, 8 and 24 bits, both bar colours, noise pictures, search
// rectangles and the option combinations that change the search; then the
// same for QR, Micro QR, DataMatrix and PDF417 (digest_matrix.cpp). Run before
// and after a change to a reader or the preparation and compare the two
// outputs: they must be identical. Run times are not printed. Every scan is
// a first look only (the readers' FIRST_LOOK_ONLY bits), and the option
// fields are printed without that bit.
//
//   scan_digest > digest.txt
#include <cstdio>
#include <string>
#include <vector>

#include "digest_matrix.hpp"
#include "support/render.hpp"
#include "zr/ZrBar.h"

namespace {

using namespace zr::test;

struct Scene {
    std::string name;
    Raster raster;
};

Raster Symbol(int symbology, const std::string &data, int moduleSize, double wideRatio) {
    SymbolOptions options;
    options.symbology = symbology;
    options.data = data;
    options.moduleSize = moduleSize;
    options.wideRatio = wideRatio;
    options.barHeight = 30;
    return RenderSymbol(options);
}

std::vector<Scene> Scenes() {
    std::vector<Scene> scenes;
    struct Kind {
        const char *name;
        int symbology;
        const char *data;
        int moduleSize;
        double wideRatio;
    };
    const Kind kinds[] = {
        {"code39", BARCODE_CODE39, "DIGEST-39", 2, 2.5}, {"code128", BARCODE_CODE128, "Digest 128", 2, 0},
        {"ean13", BARCODE_EANX, "590123412345", 2, 0},   {"i2of5", BARCODE_C25INTER, "12345678", 3, 0},
        {"codabar", BARCODE_CODABAR, "A123456B", 2, 0},
    };
    for (const Kind &kind : kinds) {
        const Raster symbol = Symbol(kind.symbology, kind.data, kind.moduleSize, kind.wideRatio);
        if (symbol.empty()) continue;
        for (int quarter = 0; quarter < 4; ++quarter) {
            const Raster turned = RotateQuarter(symbol, quarter);
            Raster canvas = Canvas(turned.width + 120, turned.height + 140, 235);
            Paste(canvas, turned, 50, 70);
            scenes.push_back({std::string(kind.name) + " quarter " + std::to_string(quarter),
                              AddNoise(canvas, 15, static_cast<std::uint32_t>(quarter + 1))});
        }
        for (double degrees : {7.0, 30.0, 45.0, 63.0, 118.0, 200.0, 313.0}) {
            const Raster turned = Rotate(symbol, degrees, true, 255);
            Raster canvas = Canvas(turned.width + 60, turned.height + 60, 240);
            Paste(canvas, turned, 31, 29);
            scenes.push_back(
                {std::string(kind.name) + " " + std::to_string(static_cast<int>(degrees)) + " deg",
                 AddNoise(canvas, 10, 7)});
        }
    }
    // Two symbols side by side, one upright and one across.
    {
        Raster canvas = Canvas(900, 700, 230);
        Paste(canvas, Symbol(BARCODE_CODE39, "TWO-A", 2, 2.5), 40, 40);
        Paste(canvas, RotateQuarter(Symbol(BARCODE_CODE39, "TWO-B", 3, 2.5), 1), 500, 200);
        scenes.push_back({"two symbols", AddNoise(canvas, 20, 3)});
    }
    // Noise of several densities and a picture of thin random lines.
    for (int amplitude : {40, 90, 127}) {
        scenes.push_back({"noise " + std::to_string(amplitude),
                          AddNoise(Canvas(640, 480, 128), amplitude, static_cast<std::uint32_t>(amplitude))});
    }
    {
        Raster stripes = Canvas(700, 500, 240);
        std::uint32_t seed = 12345;
        for (int x = 0; x < stripes.width; ++x) {
            seed = seed * 1103515245u + 12345u;
            if ((seed >> 16) % 3 == 0)
                for (int y = 0; y < stripes.height; ++y) stripes.at(x, y) = 20;
        }
        scenes.push_back({"random stripes", Rotate(stripes, 20.0, false, 240)});
    }
    return scenes;
}

void PrintResults(const std::string &label, const ZrBarScanner &scanner, std::uint16_t status) {
    std::printf("%s: status %u count %u\n", label.c_str(), status, scanner.resultCount);
    for (int i = 0; i < scanner.resultCount; ++i) {
        const ZrBarResult &r = scanner.results[i];
        std::printf("  type %x colour %u check %u angle %.6f corners", r.type, r.barColor, r.checksum,
                    r.angle);
        for (int c = 0; c < 8; ++c) std::printf(" %d", r.corners[c]);
        std::printf(" text \"%s\"\n", r.text);
    }
}

struct Setting {
    const char *name;
    std::uint8_t extraFlags;
    std::uint8_t directions;
    bool rectangle;
};

}  // namespace

int main() {
    const Setting settings[] = {
        {"default", 0, 15, false},         {"thorough", 1, 15, false},
        {"unread", 2, 15, false},          {"thorough+unread", 3, 15, false},
        {"unread rows", 2, 3, false},      {"unread columns", 2, 12, false},
        {"unread rectangle", 2, 15, true}, {"thorough+unread rectangle", 3, 15, true},
    };
    for (const Scene &scene : Scenes()) {
        for (int depth : {1, 8, 24}) {
            for (int inverted = 0; inverted < 2; ++inverted) {
                const Raster &raster = scene.raster;
                const std::vector<std::uint8_t> dib =
                    ToDib(inverted ? Invert(raster) : raster, depth, 0, depth == 1 && inverted);
                for (const Setting &setting : settings) {
                    ZrBarScanner scanner;
                    ZrInitBarScanner(&scanner);
                    scanner.image = dib.data();
                    scanner.extraFlags = setting.extraFlags | ZR_BAR_FIRST_LOOK_ONLY;
                    scanner.directions = setting.directions;
                    if (setting.rectangle) {
                        scanner.left = 13;
                        scanner.top = 9;
                        scanner.rectWidth = static_cast<std::uint32_t>(raster.width - 29);
                        scanner.rectHeight = static_cast<std::uint32_t>(raster.height - 22);
                    }
                    const std::uint16_t status = ZrScanBar(&scanner);
                    PrintResults(scene.name + " / " + std::to_string(depth) + " bit" +
                                     (inverted ? " inverted" : "") + " / " + setting.name,
                                 scanner, status);
                    ZrFreeBarScanner(&scanner);
                }
            }
        }
    }
    zr::digest::PrintMatrixDigest();
    return 0;
}
