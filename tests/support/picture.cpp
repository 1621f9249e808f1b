// Picture operations used to compose test images: placement, rotation, scaling, degradation.
#include <algorithm>
#include <cmath>
#include <random>

#include "render.hpp"

namespace zr::test {
namespace {

constexpr double kPi = 3.14159265358979323846;

std::uint8_t ClampGrey(double v) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

// The grey at a point in continuous coordinates (pixel k spans [k, k + 1)); `fill` outside.
std::uint8_t Sample(const Raster &r, double x, double y, bool bilinear, std::uint8_t fill) {
    if (!bilinear) {
        const double fx = std::floor(x), fy = std::floor(y);
        if (fx < 0 || fy < 0 || fx >= r.width || fy >= r.height) return fill;
        return r.at(static_cast<int>(fx), static_cast<int>(fy));
    }
    const double px = x - 0.5, py = y - 0.5;
    const double x0 = std::floor(px), y0 = std::floor(py);
    const double tx = px - x0, ty = py - y0;
    if (x0 < -1 || y0 < -1 || x0 >= r.width || y0 >= r.height) return fill;
    const int ix = static_cast<int>(x0), iy = static_cast<int>(y0);
    auto grey = [&](int gx, int gy) -> double {
        if (gx < 0 || gy < 0 || gx >= r.width || gy >= r.height) return fill;
        return r.at(gx, gy);
    };
    const double top = grey(ix, iy) * (1 - tx) + grey(ix + 1, iy) * tx;
    const double bottom = grey(ix, iy + 1) * (1 - tx) + grey(ix + 1, iy + 1) * tx;
    return ClampGrey(top * (1 - ty) + bottom * ty);
}

// One pass of a separable blur along x (horizontal) or y, edges repeated.
Raster BlurPass(const Raster &r, const std::vector<double> &kernel, bool horizontal) {
    const int radius = static_cast<int>(kernel.size() / 2);
    Raster out = r;
    for (int y = 0; y < r.height; ++y) {
        for (int x = 0; x < r.width; ++x) {
            double sum = 0;
            for (int k = -radius; k <= radius; ++k) {
                const int sx = horizontal ? std::clamp(x + k, 0, r.width - 1) : x;
                const int sy = horizontal ? y : std::clamp(y + k, 0, r.height - 1);
                sum += kernel[k + radius] * r.at(sx, sy);
            }
            out.at(x, y) = ClampGrey(sum);
        }
    }
    return out;
}

}  // namespace

Raster Canvas(int width, int height, std::uint8_t grey) {
    if (width <= 0 || height <= 0) return {};
    Raster r;
    r.width = width;
    r.height = height;
    r.pixels.assign(static_cast<std::size_t>(width) * height, grey);
    return r;
}

void Paste(Raster &canvas, const Raster &picture, int x, int y) {
    const int x0 = std::max(0, x), x1 = std::min(canvas.width, x + picture.width);
    const int y0 = std::max(0, y), y1 = std::min(canvas.height, y + picture.height);
    if (canvas.empty() || picture.empty() || x0 >= x1) return;
    for (int row = y0; row < y1; ++row) {
        const std::uint8_t *from = picture.pixels.data() + static_cast<std::size_t>(row - y) * picture.width;
        std::copy_n(from + (x0 - x), x1 - x0, &canvas.at(x0, row));
    }
}

Raster RotateQuarter(const Raster &r, int quarterTurns) {
    const int turns = ((quarterTurns % 4) + 4) % 4;
    if (r.empty() || turns == 0) return r;
    Raster out = turns == 2 ? Canvas(r.width, r.height) : Canvas(r.height, r.width);
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            if (turns == 1) {
                out.at(x, y) = r.at(r.width - 1 - y, x);  // right column becomes the top row
            } else if (turns == 2) {
                out.at(x, y) = r.at(r.width - 1 - x, r.height - 1 - y);
            } else {
                out.at(x, y) = r.at(y, r.height - 1 - x);  // left column becomes the top row
            }
        }
    }
    return out;
}

Raster Rotate(const Raster &r, double degrees, bool bilinear, std::uint8_t fill) {
    if (r.empty()) return {};
    const double quarters = degrees / 90.0;
    if (quarters == std::floor(quarters) && std::abs(quarters) < 1e9) {
        return RotateQuarter(r, static_cast<int>(std::fmod(quarters, 4.0)));
    }
    const double a = degrees * kPi / 180.0, c = std::cos(a), s = std::sin(a);
    // A tiny allowance keeps rounding error from adding a row or column.
    const int width = static_cast<int>(std::ceil(r.width * std::abs(c) + r.height * std::abs(s) - 1e-6));
    const int height = static_cast<int>(std::ceil(r.width * std::abs(s) + r.height * std::abs(c) - 1e-6));
    Raster out = Canvas(width, height, fill);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Offset from the centre of the output, turned back into the source (y points down,
            // so a counter-clockwise turn on screen maps source offset (dx, dy) to
            // (dx cos + dy sin, -dx sin + dy cos)).
            const double ox = x + 0.5 - width / 2.0, oy = y + 0.5 - height / 2.0;
            const double sx = r.width / 2.0 + ox * c - oy * s;
            const double sy = r.height / 2.0 + ox * s + oy * c;
            out.at(x, y) = Sample(r, sx, sy, bilinear, fill);
        }
    }
    return out;
}

Raster Scale(const Raster &r, double sx, double sy, bool bilinear) {
    if (r.empty() || !(sx > 0) || !(sy > 0)) return {};
    const int width = std::max(1, static_cast<int>(std::lround(r.width * sx)));
    const int height = std::max(1, static_cast<int>(std::lround(r.height * sy)));
    Raster out = Canvas(width, height);
    const double fx = static_cast<double>(r.width) / width, fy = static_cast<double>(r.height) / height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Clamped to the outer pixel centres so that bilinear sampling repeats the edge.
            const double px = std::clamp((x + 0.5) * fx, 0.5, r.width - 0.5);
            const double py = std::clamp((y + 0.5) * fy, 0.5, r.height - 0.5);
            out.at(x, y) = Sample(r, px, py, bilinear, 255);
        }
    }
    return out;
}

Raster Invert(const Raster &r) {
    Raster out = r;
    for (std::uint8_t &p : out.pixels) p = static_cast<std::uint8_t>(255 - p);
    return out;
}

Raster Remap(const Raster &r, std::uint8_t black, std::uint8_t white) {
    Raster out = r;
    for (std::uint8_t &p : out.pixels)
        p = ClampGrey((black * (255.0 - p) + white * static_cast<double>(p)) / 255.0);
    return out;
}

Raster Blur(const Raster &r, double sigma) {
    if (r.empty() || !(sigma > 0)) return r;
    const int radius = static_cast<int>(std::ceil(3 * sigma));
    std::vector<double> kernel(2 * radius + 1);
    double sum = 0;
    for (int k = -radius; k <= radius; ++k) {
        kernel[k + radius] = std::exp(-(k * k) / (2 * sigma * sigma));
        sum += kernel[k + radius];
    }
    for (double &w : kernel) w /= sum;
    return BlurPass(BlurPass(r, kernel, true), kernel, false);
}

Raster AddNoise(const Raster &r, double amplitude, std::uint32_t seed) {
    // The raw mt19937 sequence is fixed by the standard; the library's distributions are not,
    // so the mapping to [-1, 1) is done here.
    std::mt19937 generator(seed);
    Raster out = r;
    for (std::uint8_t &p : out.pixels) {
        const double unit = static_cast<double>(generator()) / 4294967296.0 * 2.0 - 1.0;
        p = ClampGrey(p + unit * amplitude);
    }
    return out;
}

}  // namespace zr::test
