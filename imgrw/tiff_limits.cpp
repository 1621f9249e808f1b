// What a TIFF page's stored bytes can hold.
//
// Every strip or tile is checked against the file and its compression before
// anything is decoded: uncompressed data exactly, CCITT fax codes at one bit per
// row at the least, and the other codecs by the most one stored byte can give
// (PackBits 128 bytes from 2, deflate 258 from 2 bits, LZW far below 4096 from a
// 12-bit code; 65536 for codecs without a simple bound). Stored bytes may not add
// up to more than the file, so strips that share their data cannot multiply it.
#include "imgrw/tiff_limits.hpp"

#include <algorithm>

#include "zr/ZrImage.h"

namespace zr::imgrw {
namespace {

constexpr std::uint64_t kPackBitsRatio = 64;
constexpr std::uint64_t kLzwRatio = 4096;
constexpr std::uint64_t kDeflateRatio = 1032;
constexpr std::uint64_t kOtherRatio = 65536;
// libtiff's single allocations: strip arrays, raw and decoded strips.
constexpr std::uint64_t kMinAllocLimit = std::uint64_t{256} << 20;

bool IsFax(std::uint16_t compression) {
    return compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTRLEW ||
           compression == COMPRESSION_CCITTFAX3 || compression == COMPRESSION_CCITTFAX4;
}

std::uint64_t Ratio(std::uint16_t compression) {
    switch (compression) {
        case COMPRESSION_NONE:
            return 1;
        case COMPRESSION_PACKBITS:
            return kPackBitsRatio;
        case COMPRESSION_LZW:
            return kLzwRatio;
        case COMPRESSION_DEFLATE:
        case COMPRESSION_ADOBE_DEFLATE:
            return kDeflateRatio;
        default:
            return kOtherRatio;
    }
}

// Whether `stored` bytes can decode to `decoded` bytes of `rows` rows.
bool Holds(std::uint16_t compression, std::uint64_t stored, std::uint64_t decoded, std::uint64_t rows) {
    if (decoded == 0) return false;  // libtiff could not size the strip
    if (IsFax(compression)) return rows <= 8 * stored;
    return decoded <= Ratio(compression) * stored;
}

// Bytes of one value of a TIFF field type; 0 for types libtiff does not know.
std::uint64_t TypeSize(std::uint32_t type) {
    constexpr std::uint8_t kSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4, 0, 0, 8, 8, 8};
    return type < sizeof kSizes ? kSizes[type] : 0;
}

// Reads an unsigned value of `bytes` bytes in the file's byte order.
std::uint64_t Get(const std::uint8_t *p, int bytes, bool bigEndian) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= std::uint64_t{p[bigEndian ? bytes - 1 - i : i]} << (8 * i);
    return value;
}

}  // namespace

std::uint16_t CheckDirectoryBytes(const std::uint8_t *file, std::uint64_t fileSize, std::uint64_t offset) {
    if (fileSize < 8) return ZR_ERR_CORRUPT;
    const bool bigEndian = file[0] == 'M';
    const bool big = Get(file + 2, 2, bigEndian) == 43;  // BigTIFF: 8-byte counts and offsets
    const int countBytes = big ? 8 : 2;
    const int valueBytes = big ? 8 : 4;
    const std::uint64_t entryBytes = big ? 20 : 12;
    if (offset > fileSize || fileSize - offset < std::uint64_t(countBytes)) return ZR_ERR_CORRUPT;
    const std::uint64_t entries = Get(file + offset, countBytes, bigEndian);
    if (entries > (fileSize - offset - countBytes) / entryBytes) return ZR_ERR_CORRUPT;
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint8_t *entry = file + offset + countBytes + i * entryBytes;
        const std::uint64_t size = TypeSize(static_cast<std::uint32_t>(Get(entry + 2, 2, bigEndian)));
        const std::uint64_t count = Get(entry + 4, valueBytes, bigEndian);
        if (size == 0 || count <= std::uint64_t(valueBytes) / size)
            continue;  // unknown, or held in the entry
        const std::uint64_t at = Get(entry + 4 + valueBytes, valueBytes, bigEndian);
        if (count > fileSize / size || at > fileSize - count * size) return ZR_ERR_CORRUPT;
    }
    return ZR_OK;
}

tmsize_t TiffMaxSingleAlloc(std::uint64_t fileSize) {
    return static_cast<tmsize_t>(std::max(kMinAllocLimit, 2 * fileSize));
}

std::uint16_t CheckStoredBytes(TIFF *tif, std::uint64_t fileSize) {
    std::uint32_t height = 0;
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    const bool tiled = TIFFIsTiled(tif) != 0;
    const std::uint32_t count = tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    std::uint32_t rowsPerStrip = height;
    std::uint32_t tileRows = 0;
    if (tiled) {
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileRows);
    } else {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        rowsPerStrip = std::clamp<std::uint32_t>(rowsPerStrip, 1, std::max<std::uint32_t>(height, 1));
    }
    const std::uint64_t stripsPerPlane = (std::uint64_t{height} + rowsPerStrip - 1) / rowsPerStrip;
    if (count == 0 || height == 0) return ZR_ERR_CORRUPT;
    const std::uint64_t tileBytes = tiled ? TIFFTileSize64(tif) : 0;
    // Every strip or tile needs at least one stored byte, so the loop ends within
    // as many steps as the file has bytes.
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint64_t rows = tileRows;
        if (!tiled) {
            // Strip i of a plane starts at row (i % stripsPerPlane) * rowsPerStrip, below height.
            const std::uint64_t first = i % stripsPerPlane * rowsPerStrip;
            rows = std::min<std::uint64_t>(rowsPerStrip, height - first);
        }
        const std::uint64_t offset = TIFFGetStrileOffset(tif, i);
        const std::uint64_t stored = TIFFGetStrileByteCount(tif, i);
        if (offset > fileSize || stored > fileSize - offset) return ZR_ERR_CORRUPT;
        total += stored;
        if (total > fileSize) return ZR_ERR_CORRUPT;
        const std::uint64_t decoded =
            tiled ? tileBytes : TIFFVStripSize64(tif, static_cast<std::uint32_t>(rows));
        if (!Holds(compression, stored, decoded, rows)) return ZR_ERR_CORRUPT;
    }
    return ZR_OK;
}

}  // namespace zr::imgrw
