// Conversion of a test picture to the packed DIB the readers take, and a PGM dump.
#include <cstdio>
#include <memory>

#include "render.hpp"

namespace zr::test {
namespace {

constexpr int kHeaderSize = 40;

void Put16(std::vector<std::uint8_t> &out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::vector<std::uint8_t> &out, std::size_t at, std::uint32_t v) {
    Put16(out, at, v & 0xFFFF);
    Put16(out, at + 2, v >> 16);
}

void PutColour(std::vector<std::uint8_t> &out, std::size_t at, std::uint8_t grey) {
    out[at] = out[at + 1] = out[at + 2] = grey;  // blue, green, red; the fourth byte stays 0
}

}  // namespace

std::vector<std::uint8_t> ToDib(const Raster &r, int bitsPerPixel, int dpi, bool darkIsZero) {
    if (r.empty() || (bitsPerPixel != 1 && bitsPerPixel != 8 && bitsPerPixel != 24)) return {};
    const int colours = bitsPerPixel == 1 ? 2 : bitsPerPixel == 8 ? 256 : 0;
    const std::size_t pitch = ((static_cast<std::size_t>(bitsPerPixel) * r.width + 31) >> 5) << 2;
    const std::size_t size = pitch * r.height;
    const std::size_t bitsAt = kHeaderSize + 4 * colours;
    std::vector<std::uint8_t> dib(bitsAt + size, 0);

    const auto ppm = static_cast<std::uint32_t>(dpi > 0 ? dpi * 39.37007874015747 + 0.5 : 0);
    Put32(dib, 0, kHeaderSize);
    Put32(dib, 4, static_cast<std::uint32_t>(r.width));
    Put32(dib, 8, static_cast<std::uint32_t>(r.height));  // positive: bottom-up rows
    Put16(dib, 12, 1);                                    // planes
    Put16(dib, 14, static_cast<std::uint32_t>(bitsPerPixel));
    Put32(dib, 16, 0);  // uncompressed
    Put32(dib, 20, static_cast<std::uint32_t>(size));
    Put32(dib, 24, ppm);
    Put32(dib, 28, ppm);
    Put32(dib, 32, static_cast<std::uint32_t>(colours));
    Put32(dib, 36, static_cast<std::uint32_t>(colours));

    if (bitsPerPixel == 8) {
        for (int i = 0; i < 256; ++i) PutColour(dib, kHeaderSize + 4 * i, static_cast<std::uint8_t>(i));
    } else if (bitsPerPixel == 1) {
        PutColour(dib, kHeaderSize, darkIsZero ? 0 : 255);
        PutColour(dib, kHeaderSize + 4, darkIsZero ? 255 : 0);
    }

    for (int y = 0; y < r.height; ++y) {
        std::uint8_t *row = dib.data() + bitsAt + pitch * (r.height - 1 - y);
        for (int x = 0; x < r.width; ++x) {
            const std::uint8_t grey = r.at(x, y);
            if (bitsPerPixel == 8) {
                row[x] = grey;
            } else if (bitsPerPixel == 24) {
                row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = grey;
            } else if ((grey < 128) != darkIsZero) {
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
    }
    return dib;
}

bool SaveRasterPgm(const Raster &r, const std::string &path) {
    if (r.empty()) return false;
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) return false;
    const bool ok = std::fprintf(file.get(), "P5\n%d %d\n255\n", r.width, r.height) > 0 &&
                    std::fwrite(r.pixels.data(), 1, r.pixels.size(), file.get()) == r.pixels.size();
    return std::fclose(file.release()) == 0 && ok;
}

}  // namespace zr::test
