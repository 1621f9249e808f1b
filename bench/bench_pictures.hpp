// The 2000 x 1500 pictures of the benchmarks: light paper with a little
// noise, the same with one Code 39 symbol, and pure noise.
#pragma once

#include <cstdint>
#include <vector>

#include "support/render.hpp"

namespace zr::bench {

enum class Scene { Empty, Code39, Noise };

inline test::Raster SceneRaster(Scene scene) {
    using namespace zr::test;
    if (scene == Scene::Noise) return AddNoise(Canvas(2000, 1500, 128), 127, 3);
    Raster canvas = Canvas(2000, 1500, 225);
    if (scene == Scene::Code39) {
        SymbolOptions options;
        options.data = "BENCH-2000X1500";
        options.moduleSize = 3;
        options.wideRatio = 2.5;
        Paste(canvas, RenderSymbol(options), 700, 600);
    }
    return AddNoise(canvas, 20, 1);
}

inline std::vector<std::uint8_t> SceneDib(Scene scene, int depth) {
    return test::ToDib(SceneRaster(scene), depth);
}

// Results a scan must find; -1: not checked.
inline int ExpectedResults(Scene scene) {
    return scene == Scene::Code39 ? 1 : scene == Scene::Empty ? 0 : -1;
}

}  // namespace zr::bench
