// Warps of rendered pictures for tests and benchmarks: a projective warp
// onto any quadrilateral, and the wrap round a cylinder.
#pragma once

#include <array>
#include <cmath>

#include "core/geom/perspective.hpp"
#include "support/render.hpp"

namespace zr::test {

// The picture drawn onto a white canvas with its four corners moved to
// `to` (clockwise from the top-left), sampled bilinearly.
inline Raster WarpToQuad(const Raster &source, const geom::QuadF &to, int width, int height) {
    const geom::QuadF from{{0, 0},
                           {static_cast<double>(source.width), 0},
                           {static_cast<double>(source.width), static_cast<double>(source.height)},
                           {0, static_cast<double>(source.height)}};
    const auto back = geom::Perspective::QuadToQuad(to, from);
    Raster out = Canvas(width, height);
    if (!back) return out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const geom::PointF p = back->Map({x + 0.5, y + 0.5});
            const double sx = p.x - 0.5, sy = p.y - 0.5;
            const int x0 = static_cast<int>(std::floor(sx)), y0 = static_cast<int>(std::floor(sy));
            const double fx = sx - x0, fy = sy - y0;
            auto grey = [&](int u, int v) -> double {
                if (u < 0 || v < 0 || u >= source.width || v >= source.height) return 255;
                return source.at(u, v);
            };
            const double value = (1 - fy) * ((1 - fx) * grey(x0, y0) + fx * grey(x0 + 1, y0)) +
                                  fy * ((1 - fx) * grey(x0, y0 + 1) + fx * grey(x0 + 1, y0 + 1));
            out.at(x, y) = static_cast<std::uint8_t>(std::lround(value));
        }
    return out;
}

// A projective warp: the source's corners moved by the given fractions of
// its side (x, y per corner, clockwise from the top-left), on a canvas with
// a margin of a quarter side.
inline Raster Slant(const Raster &source, const std::array<double, 8> &shift) {
    const double w = source.width, h = source.height, mx = w / 4, my = h / 4;
    const geom::QuadF to{{mx + shift[0] * w, my + shift[1] * h},
                         {mx + w + shift[2] * w, my + shift[3] * h},
                         {mx + w + shift[4] * w, my + h + shift[5] * h},
                         {mx + shift[6] * w, my + h + shift[7] * h}};
    return WarpToQuad(source, to, static_cast<int>(w * 1.5), static_cast<int>(h * 1.5));
}

// The picture wrapped round a vertical cylinder seen from the front: an arc
// of `arc` radians across the picture's width.
inline Raster Cylinder(const Raster &source, double arc) {
    const double radius = source.width / arc;
    const int width = static_cast<int>(std::ceil(2 * radius * std::sin(arc / 2))) + 2;
    Raster out = Canvas(width, source.height);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < width; ++x) {
            const double off = (x + 0.5 - width / 2.0) / radius;
            if (std::fabs(off) >= 1) continue;
            const double u = (std::asin(off) / arc + 0.5) * source.width;
            const int sx = static_cast<int>(std::floor(u));
            if (sx >= 0 && sx < source.width) out.at(x, y) = source.at(sx, y);
        }
    return out;
}

}  // namespace zr::test
