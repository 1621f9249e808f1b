// Files built byte by byte for the bound tests, and the checks they go through.
#pragma once

#include <gtest/gtest.h>
#include <tiffio.h>
#include <zlib.h>

#include <cstdio>

#include <string>
#include <vector>

#include "alloc_counter.hpp"
#include "imgrw_test_util.hpp"
#include "support/jpeg_encode.hpp"

namespace imgrw_test {

using Bytes = std::vector<std::uint8_t>;

// What a refused read may ask for: the format libraries' fixed working memory
// (libjpeg's pools are the largest) and a few times the file.
constexpr std::uint64_t kFixedBytes = 512 * 1024;
constexpr std::uint64_t kBytesPerFileByte = 4;

inline std::uint16_t ReadAs(const std::string &extension, ZrImage *image, const std::string &path) {
    if (extension == "bmp") return ZrReadBMP(image, path.c_str());
    if (extension == "png") return ZrReadPNG(image, path.c_str());
    if (extension == "jpg") return ZrReadJPG(image, path.c_str());
    return ZrReadTIF(image, path.c_str(), 0);
}

inline void ExpectRead(const Bytes &file, const std::string &extension, std::uint16_t expected) {
    const std::string path = TempFile("limits." + extension);
    PutFile(path, file, file.size());
    Image image;
    EXPECT_EQ(ReadAs(extension, &image.rec, path), expected) << extension << ", " << file.size() << " bytes";
}

// Refused with `expected`, the record left empty, and no more asked of the
// allocator than the bound above.
inline void ExpectRefusedCheaply(const Bytes &file, const std::string &extension, std::uint16_t expected) {
    const std::string path = TempFile("limits." + extension);
    PutFile(path, file, file.size());
    Image image;
    std::uint16_t code = 0;
    std::uint64_t total = 0, largest = 0;
    {
        const CountAllocations count;
        code = ReadAs(extension, &image.rec, path);
        total = count.Total();
        largest = count.Largest();
    }
    EXPECT_EQ(code, expected) << extension << ", " << file.size() << " bytes";
    EXPECT_EQ(image->dib, nullptr);
    if (!CountAllocations::Available()) return;
    EXPECT_LE(total, kFixedBytes + kBytesPerFileByte * file.size())
        << extension << ", " << file.size() << " bytes; largest request " << largest;
}

inline void Put16(Bytes *b, std::uint32_t v) {
    b->push_back(static_cast<std::uint8_t>(v));
    b->push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(Bytes *b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline void PutBe32(Bytes *b, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) b->push_back(static_cast<std::uint8_t>(v >> shift));
}

// An uncompressed black-is-zero TIFF written by hand: strips of `rowsPerStrip`
// rows at the given offsets and byte counts, then `data`.
inline Bytes Tiff(std::uint32_t width, std::uint32_t height, std::uint16_t bits, std::uint32_t rowsPerStrip,
                  std::vector<std::uint32_t> offsets, const std::vector<std::uint32_t> &counts,
                  const Bytes &data) {
    const auto n = static_cast<std::uint32_t>(counts.size());
    constexpr std::uint32_t kEntries = 9;
    const std::uint32_t arrays = 8 + 2 + kEntries * 12 + 4;
    const std::uint32_t dataStart = arrays + (n > 1 ? 8 * n : 0);
    for (auto &offset : offsets) offset += dataStart;
    Bytes b = {'I', 'I', 42, 0};
    Put32(&b, 8);
    Put16(&b, kEntries);
    const auto entry = [&b](std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
        Put16(&b, tag);
        Put16(&b, type);
        Put32(&b, count);
        if (type == 3 && count == 1) {
            Put16(&b, value);
            Put16(&b, 0);
        } else {
            Put32(&b, value);
        }
    };
    entry(256, 4, 1, width);
    entry(257, 4, 1, height);
    entry(258, 3, 1, bits);
    entry(259, 3, 1, COMPRESSION_NONE);
    entry(262, 3, 1, PHOTOMETRIC_MINISBLACK);
    entry(273, 4, n, n > 1 ? arrays : offsets[0]);
    entry(277, 3, 1, 1);
    entry(278, 4, 1, rowsPerStrip);
    entry(279, 4, n, n > 1 ? arrays + 4 * n : counts[0]);
    Put32(&b, 0);
    if (n > 1) {
        for (std::uint32_t v : offsets) Put32(&b, v);
        for (std::uint32_t v : counts) Put32(&b, v);
    }
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

inline Bytes BilevelTiff(std::uint32_t width, std::uint32_t height, std::uint32_t stripBytes) {
    return Tiff(width, height, 1, height, {0}, {stripBytes}, Bytes(stripBytes, 0x5A));
}

// Four strips of 16 rows of 256 pixels, all pointing at the same 512 bytes.
inline Bytes SharedStripsTiff() {
    return Tiff(256, 64, 8, 16, {0, 0, 0, 0}, {4096, 4096, 4096, 4096}, Bytes(4096, 0x80));
}

// A blank page written by libtiff with the given compression.
inline Bytes BlankTiff(std::uint32_t width, std::uint32_t height, std::uint16_t bits,
                       std::uint16_t compression) {
    const std::string path = TempFile("blank.tif");
    TIFF *t = TIFFOpen(path.c_str(), "w");
    EXPECT_NE(t, nullptr);
    if (!t) return {};
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, height);
    const Bytes row((width * bits + 7) / 8, 0);
    Bytes scratch;
    for (std::uint32_t y = 0; y < height; ++y) {
        scratch = row;  // codecs may work in place
        TIFFWriteScanline(t, scratch.data(), y, 0);
    }
    TIFFClose(t);
    return FileBytes(path);
}

// A 40 x 20 RGB picture in strips of 8 rows or tiles of 16 x 16 (edge tiles
// partly outside), with interleaved samples or one plane per colour.
inline Bytes LayoutTiff(bool tiled, bool separate, std::uint16_t compression) {
    const std::string path = TempFile("layout.tif");
    TIFF *t = TIFFOpen(path.c_str(), "w");
    EXPECT_NE(t, nullptr);
    if (!t) return {};
    constexpr std::uint32_t kWidth = 40, kHeight = 20;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    const std::uint16_t planes = separate ? 3 : 1;
    if (tiled) {
        TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
        Bytes tile(static_cast<std::size_t>(TIFFTileSize(t)));
        for (std::size_t i = 0; i < tile.size(); ++i) tile[i] = static_cast<std::uint8_t>(i * 13);
        for (std::uint16_t p = 0; p < planes; ++p) {
            for (std::uint32_t y = 0; y < kHeight; y += 16) {
                for (std::uint32_t x = 0; x < kWidth; x += 16) {
                    Bytes scratch = tile;
                    TIFFWriteTile(t, scratch.data(), x, y, 0, p);
                }
            }
        }
    } else {
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 8);
        Bytes row(static_cast<std::size_t>(TIFFScanlineSize(t)));
        for (std::uint16_t p = 0; p < planes; ++p) {
            for (std::uint32_t y = 0; y < kHeight; ++y) {
                for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<std::uint8_t>(i * 7 + y);
                TIFFWriteScanline(t, row.data(), y, p);
            }
        }
    }
    TIFFClose(t);
    return FileBytes(path);
}

// The same little-endian TIFF with the first value of a LONG tag of the first
// directory set to `value`.
inline Bytes WithFirstValue(Bytes tiff, std::uint16_t tag, std::uint32_t value) {
    const auto get = [&tiff](std::size_t at, int n) {
        std::uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i) v = (v << 8) | tiff[at + i];
        return v;
    };
    const std::uint32_t ifd = get(4, 4);
    for (std::uint32_t i = 0; i < get(ifd, 2); ++i) {
        const std::size_t entry = ifd + 2 + 12 * i;
        if (get(entry, 2) != tag) continue;
        const std::size_t at = get(entry + 4, 4) == 1 ? entry + 8 : get(entry + 8, 4);
        for (int k = 0; k < 4; ++k) tiff[at + k] = static_cast<std::uint8_t>(value >> (8 * k));
        return tiff;
    }
    ADD_FAILURE() << "no tag " << tag;
    return tiff;
}

inline Bytes Deflate(const Bytes &raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    EXPECT_EQ(compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9), Z_OK);
    out.resize(size);
    return out;
}

// A grey PNG of the given header over `idat`, checksums correct.
inline Bytes GreyPng(std::uint32_t width, std::uint32_t height, std::uint8_t depth, const Bytes &idat) {
    Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto chunk = [&b](const char *type, const Bytes &data) {
        PutBe32(&b, static_cast<std::uint32_t>(data.size()));
        const std::size_t start = b.size();
        b.insert(b.end(), type, type + 4);
        b.insert(b.end(), data.begin(), data.end());
        PutBe32(&b,
                static_cast<std::uint32_t>(crc32(0, b.data() + start, static_cast<uInt>(b.size() - start))));
    };
    Bytes header;
    PutBe32(&header, width);
    PutBe32(&header, height);
    header.insert(header.end(), {depth, 0, 0, 0, 0});
    chunk("IHDR", header);
    chunk("IDAT", idat);
    chunk("IEND", {});
    return b;
}

// A 24-bit BMP header for the size, padded with zeros (or cut) to `fileSize` bytes.
inline Bytes Bmp24(std::uint32_t width, std::uint32_t height, std::size_t fileSize) {
    Bytes b = {'B', 'M'};
    Put32(&b, static_cast<std::uint32_t>(fileSize));
    Put32(&b, 0);
    Put32(&b, 54);
    Put32(&b, 40);
    Put32(&b, width);
    Put32(&b, height);
    Put16(&b, 1);
    Put16(&b, 24);
    for (int i = 0; i < 6; ++i) Put32(&b, 0);
    b.resize(fileSize);
    return b;
}

inline Bytes Blank(std::uint32_t width, std::uint32_t height, int components) {
    return Bytes(std::size_t{width} * height * components, 255);
}

using JpegOptions = zr::test::JpegSettings;

inline Bytes Jpeg(const Bytes &pixels, std::uint32_t width, std::uint32_t height, int components,
                  const JpegOptions &options) {
    return zr::test::EncodeJpeg(pixels.data(), static_cast<int>(width), static_cast<int>(height),
                                components == 1 ? zr::test::JpegColours::Grey : zr::test::JpegColours::Rgb,
                                options);
}

// The same JPEG with the frame header announcing another size.
inline Bytes WithFrameSize(Bytes jpeg, std::uint32_t width, std::uint32_t height) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        const std::uint8_t m = jpeg[i + 1];
        if (jpeg[i] == 0xFF && m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
            jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8);
            jpeg[i + 6] = static_cast<std::uint8_t>(height);
            jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8);
            jpeg[i + 8] = static_cast<std::uint8_t>(width);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no frame header";
    return jpeg;
}

// The same JPEG with a comment of `bytes` bytes after the start marker.
inline Bytes WithComment(const Bytes &jpeg, std::uint16_t bytes) {
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    const auto length = static_cast<std::uint16_t>(bytes + 2);
    out.insert(out.end(),
               {0xFF, 0xFE, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)});
    out.insert(out.end(), bytes, 'x');
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

}  // namespace imgrw_test
