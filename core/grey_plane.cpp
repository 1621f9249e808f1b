// The caller's DIB as grey levels for the second looks.
#include "core/grey_plane.hpp"

#include <array>
#include <cstring>
#include <new>

#include "core/dib_header.hpp"
#include "core/image.hpp"
#include "core/prepare.hpp"

namespace zr {
namespace {

constexpr std::size_t kPaletteEntryBytes = 4;

// Stored row r of the DIB's pixels (bottom-up).
const std::uint8_t *StoredRow(const std::uint8_t *pixels, std::int32_t pitch, int r) {
    return pixels + static_cast<std::ptrdiff_t>(r) * pitch;
}

}  // namespace

std::uint16_t DibToGreyPlane(const void *dib, GreyPlane &plane) {
    return DibToGreyPlane(dib, plane, std::vector<std::uint8_t>{});
}

std::uint16_t DibToGreyPlane(const void *dib, GreyPlane &plane, const std::vector<std::uint8_t> &storedGrey) {
    plane.width = plane.height = 0;
    plane.levels.clear();
    if (dib == nullptr) return ZR_ERR_NULL_DIB;
    const DibHeader h = ReadDibHeader(dib);
    std::int32_t pitch = 0;
    std::uint32_t size = 0;
    if (!AcceptableDibHeader(h, &pitch, &size)) return ZR_ERR_BAD_FORMAT;
    const int width = h.width, height = h.height;
    try {
        plane.levels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    } catch (const std::bad_alloc &) {
        plane.levels.clear();
        return ZR_ERR_NO_MEMORY;
    }
    plane.width = width;
    plane.height = height;

    const auto *palette = static_cast<const std::uint8_t *>(dib) + kDibHeaderSize;
    const std::size_t entries = h.bitCount == 24 ? 0 : std::size_t{1} << h.bitCount;
    const std::uint8_t *pixels = palette + entries * kPaletteEntryBytes;
    std::array<std::uint8_t, 256> grey{};
    for (std::size_t i = 0; i < entries; ++i) grey[i] = PaletteGrey(palette, i);
    const auto rowBytes = static_cast<std::size_t>(width);
    if (h.bitCount == 24 && storedGrey.size() == plane.levels.size()) {
        for (int y = 0; y < height; ++y)
            std::memcpy(plane.levels.data() + static_cast<std::size_t>(y) * rowBytes,
                        storedGrey.data() + static_cast<std::size_t>(height - 1 - y) * rowBytes, rowBytes);
        return ZR_OK;
    }
    prepare::HistogramPair unused{};  // the 24-bit converter counts levels as it goes
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *from = StoredRow(pixels, pitch, height - 1 - y);
        std::uint8_t *to = plane.levels.data() + static_cast<std::ptrdiff_t>(y) * width;
        if (h.bitCount == 24) {
            prepare::BgrRowToGrey(from, static_cast<std::uint32_t>(width), to, unused);
        } else if (h.bitCount == 8) {
            for (int x = 0; x < width; ++x) to[x] = grey[from[x]];
        } else {
            for (int x = 0; x < width; ++x) to[x] = grey[(from[x >> 3] >> (7 - (x & 7))) & 1u];
        }
    }
    return ZR_OK;
}

}  // namespace zr
