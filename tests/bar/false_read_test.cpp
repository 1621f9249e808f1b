// Pictures without a symbol read nothing: noise of every kind at three
// sizes, stripes, fences and text-like pages, in the default and the
// thorough search. The weakly checked symbologies (2 of 5, Codabar, EAN 8,
// UPC-E, the add-ons) pass their decoders on such pictures now and then; the
// reader must confirm them before it reports one.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/readers.hpp"
#include "support/render.hpp"
#include "support/scan_with.hpp"
#include "zr/ZrBar.h"

namespace {

using zr::test::Raster;

// The results of a scan with these extra flags; the scan must succeed.
std::vector<ZrBarResult> Scan(const Raster &picture, std::uint8_t extraFlags) {
    const auto outcome = zr::test::ScanWith<zr::test::BarReader>(
        zr::test::ToDib(picture, 8), [extraFlags](ZrBarScanner &scanner) { scanner.extraFlags = extraFlags; });
    EXPECT_EQ(outcome.status, ZR_OK);
    return outcome.results;
}

std::string Texts(const std::vector<ZrBarResult> &results) {
    std::string all;
    for (const ZrBarResult &r : results) all += "[" + std::to_string(r.type) + " " + r.text + "]";
    return all;
}

void ExpectNothing(const Raster &picture, const std::string &name) {
    for (const std::uint8_t flags : {std::uint8_t{0}, std::uint8_t{ZR_BAR_THOROUGH}}) {
        SCOPED_TRACE(name + (flags ? " thorough" : " default"));
        const std::vector<ZrBarResult> results = Scan(picture, flags);
        EXPECT_TRUE(results.empty()) << Texts(results);
    }
}

enum class Noise { Uniform, Blurred, Binary, Blocky };

// Noise in blocks of `block` pixels: grey levels, or black and white.
Raster NoisePicture(Noise kind, int width, int height, std::uint32_t seed) {
    std::mt19937 random(seed);
    Raster r = zr::test::Canvas(width, height);
    const int block = kind == Noise::Blocky ? 2 + static_cast<int>(seed % 4) : 1;
    const bool binary = kind == Noise::Binary || kind == Noise::Blocky;
    for (int by = 0; by < height; by += block) {
        for (int bx = 0; bx < width; bx += block) {
            const auto grey = static_cast<std::uint8_t>(binary ? (random() & 1) * 255 : random() & 0xFF);
            for (int y = by; y < std::min(height, by + block); ++y)
                for (int x = bx; x < std::min(width, bx + block); ++x) r.at(x, y) = grey;
        }
    }
    return kind == Noise::Blurred ? zr::test::Blur(r, 1.0 + seed % 2) : r;
}

TEST(FalseReads, NoiseOfEveryKindAndSizeReadsNothing) {
    const struct {
        Noise kind;
        const char *name;
    } kinds[] = {{Noise::Uniform, "uniform"},
                 {Noise::Blurred, "blurred"},
                 {Noise::Binary, "binary"},
                 {Noise::Blocky, "blocky"}};
    const struct { int width, height; } sizes[] = {{200, 150}, {640, 480}, {1200, 900}};
    for (const auto &kind : kinds) {
        for (const auto &size : sizes) {
            for (std::uint32_t seed = 1; seed <= 3; ++seed) {
                ExpectNothing(NoisePicture(kind.kind, size.width, size.height, seed),
                              std::string(kind.name) + " " + std::to_string(size.width) + " seed " +
                                  std::to_string(seed));
            }
        }
    }
}

// Bars of random widths across the whole picture, upright and turned;
// fences of equal bars and gaps; both without a quiet zone around any part.
TEST(FalseReads, StripesAndFencesReadNothing) {
    std::mt19937 random(5);
    for (int picture = 0; picture < 4; ++picture) {
        Raster stripes = zr::test::Canvas(700, 400);
        for (int x = 0; x < stripes.width;) {
            const int bar = 1 + static_cast<int>(random() % 6), gap = 1 + static_cast<int>(random() % 6);
            for (int i = x; i < std::min(stripes.width, x + bar); ++i)
                for (int y = 0; y < stripes.height; ++y) stripes.at(i, y) = 20;
            x += bar + gap;
        }
        ExpectNothing(stripes, "stripes " + std::to_string(picture));
        ExpectNothing(zr::test::Rotate(stripes, 17.0 + 40 * picture, true, 255), "turned stripes");
    }
    for (const int width : {1, 2, 3, 5, 8}) {
        Raster fence = zr::test::Canvas(600, 300);
        for (int x = 0; x < fence.width; ++x)
            if ((x / width) % 2 == 0)
                for (int y = 0; y < fence.height; ++y) fence.at(x, y) = 0;
        ExpectNothing(fence, "fence " + std::to_string(width));
    }
}

// Lines of word-like blocks of small glyphs: strokes one to three pixels
// wide with gaps like a text page's.
TEST(FalseReads, TextLikePagesReadNothing) {
    for (std::uint32_t seed = 1; seed <= 3; ++seed) {
        std::mt19937 random(seed);
        const int glyph = 6 + static_cast<int>(seed) * 3;  // glyph height
        Raster page = zr::test::Canvas(900, 700);
        for (int top = 10; top + glyph < page.height - 10; top += glyph + glyph / 2) {
            int x = 10;
            while (x < page.width - 40) {
                const int letters = 2 + static_cast<int>(random() % 8);
                for (int l = 0; l < letters && x < page.width - 20; ++l) {
                    // A glyph: two or three vertical strokes, sometimes a bar across.
                    const int strokes = 2 + static_cast<int>(random() % 2);
                    const int stroke = 1 + static_cast<int>(random() % 3);
                    const int advance = glyph / 2 + stroke;
                    for (int s = 0; s < strokes; ++s) {
                        const int sx = x + s * (advance - stroke) / (strokes - 1);
                        const int from = top + static_cast<int>(random() % 3);
                        for (int y = from; y < top + glyph; ++y)
                            for (int i = sx; i < sx + stroke; ++i) page.at(i, y) = 10;
                    }
                    if (random() % 2)
                        for (int i = x; i < x + advance; ++i) page.at(i, top + glyph / 2) = 10;
                    x += advance + 2;
                }
                x += glyph;  // the space between words
            }
        }
        ExpectNothing(page, "page " + std::to_string(seed));
        ExpectNothing(zr::test::Rotate(page, 90.0 + 7 * seed, true, 255), "turned page");
    }
}

}  // namespace
