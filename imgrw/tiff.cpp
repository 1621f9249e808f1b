// TIFF files through libtiff.
//
// Read: `page` is the 0-based directory index (15 when negative or past the last
// directory). Strip-organised bilevel pages (white-is-zero or black-is-zero) are
// read line by line into a 1-bit record, their bits unchanged (rows and bits
// mirrored for the flipped orientations) and the polarity taken from the
// photometric interpretation. Every other page goes through
// libtiff's RGBA interface in bands of rows: bilevel pages stay 1 bit, grey pages
// and grey palettes become 8-bit grey, the rest 24 bits, with alpha composited on
// white. Orientation flips are undone. The resolution comes from XResolution,
// YResolution and ResolutionUnit (inch when absent; none gives 0 dpi). The file
// is read into memory first; a page whose data or tags run past its end, or whose
// strips or tiles cannot hold its picture (tiff_limits.cpp), is corrupt (13), and
// libtiff may allocate no more than TiffMaxSingleAlloc at once.
// Write: 1 bit with CCITT Group 4, 8-bit grey and 24-bit RGB with LZW and the
// horizontal predictor, resolution in dots per inch when the record has one.
// Page 0 creates the file; page n > 0 appends a page to a file that holds exactly
// n pages (15 otherwise), and a failed append leaves the earlier pages in place.
//
// libtiff's messages go to handlers passed with each open call, which drop
// them; the library's global handlers are never touched.
#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstring>

#include "imgrw/imgrw.hpp"
#include "imgrw/tiff_limits.hpp"
#include "imgrw/tiff_memory.hpp"
#include "zr/ZrImgRW.h"

namespace zr::imgrw {
namespace {

// Rows decoded at once through the RGBA interface: about a megapixel.
constexpr std::size_t kBandPixels = std::size_t{1} << 20;

int TiffSilent(TIFF *, void *, const char *, const char *, va_list) {
    return 1;
}

class TiffOptions {
  public:
    // `maxSingleAlloc` 0: libtiff's default.
    explicit TiffOptions(tmsize_t maxSingleAlloc = 0) : options_(TIFFOpenOptionsAlloc()) {
        if (!options_) return;
        TIFFOpenOptionsSetErrorHandlerExtR(options_, TiffSilent, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(options_, TiffSilent, nullptr);
        if (maxSingleAlloc > 0) TIFFOpenOptionsSetMaxSingleMemAlloc(options_, maxSingleAlloc);
    }
    ~TiffOptions() {
        if (options_) TIFFOpenOptionsFree(options_);
    }
    TiffOptions(const TiffOptions &) = delete;
    TiffOptions &operator=(const TiffOptions &) = delete;
    TIFFOpenOptions *get() const { return options_; }

  private:
    TIFFOpenOptions *options_;
};

class TiffFile {
  public:
    explicit TiffFile(TIFF *tif) : tif_(tif) {}
    ~TiffFile() {
        if (tif_) TIFFClose(tif_);
    }
    TiffFile(const TiffFile &) = delete;
    TiffFile &operator=(const TiffFile &) = delete;
    TIFF *get() const { return tif_; }

  private:
    TIFF *tif_;
};

// libtiff's RGBA reading state, ended however the read finishes.
struct RgbaReader {
    RgbaReader() = default;
    RgbaReader(const RgbaReader &) = delete;
    RgbaReader &operator=(const RgbaReader &) = delete;
    ~RgbaReader() {
        if (begun) TIFFRGBAImageEnd(&image);
    }
    bool Begin(TIFF *tif, char *message) { return begun = TIFFRGBAImageBegin(&image, tif, 1, message) != 0; }

    TIFFRGBAImage image{};
    bool begun = false;
};

struct TiffInfo {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bits = 1;
    std::uint16_t samples = 1;
    std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    bool associatedAlpha = false;
    std::uint32_t xDpi = 0;
    std::uint32_t yDpi = 0;
};

bool IsGreyPhotometric(std::uint16_t photometric) {
    return photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
}

TiffInfo ReadInfo(TIFF *tif) {
    TiffInfo info;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &info.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &info.height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &info.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &info.samples);
    // Without the tag, take what libtiff's RGBA interface assumes.
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &info.photometric))
        info.photometric = info.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &info.orientation);
    std::uint16_t extraCount = 0;
    std::uint16_t *extraTypes = nullptr;
    if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) && extraCount > 0)
        info.associatedAlpha = extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;

    float x = 0, y = 0;
    std::uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x) && TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y)) {
        if (unit == RESUNIT_INCH) {
            info.xDpi = DpiFromInch(x);
            info.yDpi = DpiFromInch(y);
        } else if (unit == RESUNIT_CENTIMETER) {
            info.xDpi = DpiFromCentimetre(x);
            info.yDpi = DpiFromCentimetre(y);
        }
    }
    return info;
}

bool GreyColormap(TIFF *tif, std::uint16_t bits) {
    std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (bits > 8 || !TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue)) return false;
    for (std::uint32_t i = 0; i < (1u << bits); ++i) {
        if (red[i] != green[i] || green[i] != blue[i]) return false;
    }
    return true;
}

// Where the file's first row and column belong, for the orientations without a
// transposition.
struct Flips {
    bool rows;     // the first row is the bottom one
    bool columns;  // the first column is the right one
};

Flips FlipsOf(std::uint16_t orientation) {
    return {orientation == ORIENTATION_BOTLEFT || orientation == ORIENTATION_BOTRIGHT,
            orientation == ORIENTATION_TOPRIGHT || orientation == ORIENTATION_BOTRIGHT};
}

constexpr std::array<std::uint8_t, 256> kReversedBits = [] {
    std::array<std::uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        int reversed = 0;
        for (int bit = 0; bit < 8; ++bit) reversed |= ((i >> bit) & 1) << (7 - bit);
        table[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(reversed);
    }
    return table;
}();

// Mirrors the first `width` pixels of a 1-bit row; `scratch` holds as many bytes.
void MirrorBits(std::uint8_t *row, std::uint32_t width, std::uint8_t *scratch) {
    const std::size_t bytes = (std::size_t{width} + 7) / 8;
    // Reversing whole bytes puts the unused tail bits first; a shift drops them.
    for (std::size_t i = 0; i < bytes; ++i) scratch[i] = kReversedBits[row[bytes - 1 - i]];
    const unsigned shift = static_cast<unsigned>(bytes * 8 - width);
    for (std::size_t i = 0; i < bytes; ++i) {
        const unsigned next = i + 1 < bytes ? scratch[i + 1] : 0u;
        row[i] =
            static_cast<std::uint8_t>((unsigned{scratch[i]} << shift) | (shift ? next >> (8u - shift) : 0u));
    }
}

// Bilevel strips, line by line straight into the record's rows.
std::uint16_t ReadBilevel(TIFF *tif, const TiffInfo &info, PendingImage *out) {
    const std::uint16_t polarity = info.photometric == PHOTOMETRIC_MINISBLACK ? 1 : 0;
    std::uint16_t code = out->Create(info.width, info.height, 1, polarity, info.xDpi, info.yDpi);
    if (code != ZR_OK) return code;
    if (TIFFScanlineSize64(tif) > static_cast<std::uint64_t>(out->get()->pitch)) return ZR_ERR_CORRUPT;
    const Flips flips = FlipsOf(info.orientation);
    std::vector<std::uint8_t> scratch(flips.columns ? static_cast<std::size_t>(out->get()->pitch) : 0);
    for (std::uint32_t y = 0; y < info.height; ++y) {
        std::uint8_t *row = out->Row(flips.rows ? info.height - 1 - y : y);
        if (TIFFReadScanline(tif, row, y, 0) < 0) return ZR_ERR_CORRUPT;
        if (flips.columns) MirrorBits(row, info.width, scratch.data());
    }
    return ZR_OK;
}

// One pixel of libtiff's RGBA raster on white. RGB(A) pixels come premultiplied;
// grey pixels keep the alpha form the file has.
void PixelOnWhite(std::uint32_t pixel, bool premultiplied, std::uint8_t rgb[3]) {
    const std::uint32_t alpha = TIFFGetA(pixel);
    const std::uint32_t channel[3] = {TIFFGetR(pixel), TIFFGetG(pixel), TIFFGetB(pixel)};
    for (int c = 0; c < 3; ++c) {
        rgb[c] = premultiplied ? static_cast<std::uint8_t>(std::min(255u, channel[c] + 255u - alpha))
                               : OnWhite(channel[c], alpha);
    }
}

void PutPixel(ZrImage *image, std::uint8_t *row, std::uint32_t x, const std::uint8_t rgb[3]) {
    if (image->bitsPerPixel == 24) {
        row[3 * x] = rgb[2];
        row[3 * x + 1] = rgb[1];
        row[3 * x + 2] = rgb[0];
    } else if (image->bitsPerPixel == 8) {
        row[x] = rgb[0];
    } else {
        // The record starts white; set the bits of dark pixels.
        const bool dark = rgb[0] < 128;
        const auto bit = static_cast<std::uint8_t>(0x80u >> (x & 7));
        if (dark && ZeroBitIsDark(image)) row[x >> 3] &= static_cast<std::uint8_t>(~bit);
        if (dark && !ZeroBitIsDark(image)) row[x >> 3] |= bit;
    }
}

std::uint16_t ReadThroughRgba(TIFF *tif, const TiffInfo &info, PendingImage *out) {
    char message[1024];
    if (!TIFFRGBAImageOK(tif, message)) return ZR_ERR_BAD_FORMAT;
    const bool grey = IsGreyPhotometric(info.photometric);
    std::uint16_t bitsPerPixel = 24;
    if (grey && info.bits == 1 && info.samples == 1) {
        bitsPerPixel = 1;
    } else if (grey || (info.photometric == PHOTOMETRIC_PALETTE && GreyColormap(tif, info.bits))) {
        bitsPerPixel = 8;
    }
    const std::uint16_t polarity = info.photometric == PHOTOMETRIC_MINISBLACK ? 1 : 0;
    std::uint16_t code = out->Create(info.width, info.height, bitsPerPixel, polarity, info.xDpi, info.yDpi);
    if (code != ZR_OK) return code;

    RgbaReader reader;
    if (!reader.Begin(tif, message)) return ZR_ERR_BAD_FORMAT;
    TIFFRGBAImage &rgba = reader.image;
    // Rows arrive in file order; the orientation tag says where they belong.
    rgba.req_orientation = rgba.orientation;
    const Flips flips = FlipsOf(info.orientation);
    const bool premultiplied = !grey || info.associatedAlpha;
    const auto bandRows =
        static_cast<std::uint32_t>(std::clamp<std::size_t>(kBandPixels / info.width, 1, info.height));
    std::vector<std::uint32_t> band(std::size_t{bandRows} * info.width);
    for (std::uint32_t first = 0; first < info.height; first += bandRows) {
        const std::uint32_t rows = std::min(bandRows, info.height - first);
        rgba.row_offset = static_cast<int>(first);
        rgba.col_offset = 0;
        if (!TIFFRGBAImageGet(&rgba, band.data(), info.width, rows)) return ZR_ERR_CORRUPT;
        for (std::uint32_t j = 0; j < rows; ++j) {
            const std::uint32_t fileRow = first + j;
            std::uint8_t *row = out->Row(flips.rows ? info.height - 1 - fileRow : fileRow);
            const std::uint32_t *src = band.data() + std::size_t{j} * info.width;
            for (std::uint32_t x = 0; x < info.width; ++x) {
                std::uint8_t rgb[3];
                PixelOnWhite(src[x], premultiplied, rgb);
                PutPixel(out->get(), row, flips.columns ? info.width - 1 - x : x, rgb);
            }
        }
    }
    return ZR_OK;
}

std::uint16_t DecodeTiff(ZrImage *image, const std::vector<std::uint8_t> &bytes, int page, const char *path);

std::uint16_t ReadTiff(ZrImage *image, const char *path, int page) {
    std::uint16_t code = CheckReadArgs(image, path);
    if (code != ZR_OK) return code;
    if (page < 0) return ZR_ERR_BAD_ARGUMENT;
    std::vector<std::uint8_t> bytes;
    if ((code = ReadWholeFile(path, &bytes)) != ZR_OK) return code;
    return DecodeTiff(image, bytes, page, path);
}

std::uint16_t DecodeTiff(ZrImage *image, const std::vector<std::uint8_t> &bytes, int page, const char *path) {
    std::uint16_t code = ZR_OK;

    TiffOptions options(TiffMaxSingleAlloc(bytes.size()));
    if (!options.get()) return ZR_ERR_NO_MEMORY;
    TiffMemory memory{bytes.data(), bytes.size(), 0, false};
    TiffFile file(OpenInMemory(path, &memory, options.get()));
    TIFF *tif = file.get();
    if (!tif) return ZR_ERR_CORRUPT;
    if (static_cast<std::uint64_t>(page) >= TIFFNumberOfDirectories(tif)) return ZR_ERR_BAD_ARGUMENT;
    memory.shortRead = false;  // only the page read must be whole
    if (!TIFFSetDirectory(tif, static_cast<tdir_t>(page))) return ZR_ERR_CORRUPT;

    const TiffInfo info = ReadInfo(tif);
    if (info.width == 0 || info.height == 0) return ZR_ERR_CORRUPT;
    if ((code = CheckDirectoryBytes(bytes.data(), bytes.size(), TIFFCurrentDirOffset(tif))) != ZR_OK ||
        (code = CheckStoredBytes(tif, bytes.size())) != ZR_OK)
        return code;
    PendingImage out;
    const bool lineByLine = IsGreyPhotometric(info.photometric) && info.bits == 1 && info.samples == 1 &&
                            !TIFFIsTiled(tif) && info.orientation >= ORIENTATION_TOPLEFT &&
                            info.orientation <= ORIENTATION_BOTLEFT;
    code = lineByLine ? ReadBilevel(tif, info, &out) : ReadThroughRgba(tif, info, &out);
    if (code != ZR_OK) return code;
    if (memory.shortRead) return ZR_ERR_CORRUPT;
    out.ClearBilevelTails();
    out.MoveTo(image);
    return ZR_OK;
}

std::uint16_t CountPages(const char *path, const TiffOptions &options, std::uint64_t *pages) {
    // Not mapped: the file is not ours and may change while it is open.
    TiffFile file(TIFFOpenExt(path, "rm", options.get()));
    if (!file.get()) return ZR_ERR_FILE;
    *pages = TIFFNumberOfDirectories(file.get());
    return ZR_OK;
}

void SetTags(TIFF *tif, const ZrImage *image) {
    const bool bilevel = image->bitsPerPixel == 1;
    const bool colour = image->bitsPerPixel == 24;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, image->width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, image->height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bilevel ? 1 : 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, colour ? 3 : 1);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    std::uint16_t photometric = colour ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    if (bilevel && !ZeroBitIsDark(image)) photometric = PHOTOMETRIC_MINISWHITE;
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    if (bilevel && TIFFIsCODECConfigured(COMPRESSION_CCITTFAX4)) {
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    } else if (!bilevel && TIFFIsCODECConfigured(COMPRESSION_LZW)) {
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    }
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    if (image->xDpi || image->yDpi) {
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(image->xDpi));
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(image->yDpi));
    }
}

std::uint16_t WritePage(TIFF *tif, const ZrImage *image) {
    SetTags(tif, image);
    // The codecs may work in place, so each row is copied out of the record first.
    const std::size_t rowBytes = (std::size_t{image->width} * image->bitsPerPixel + 7) / 8;
    std::vector<std::uint8_t> scratch(rowBytes);
    for (std::uint32_t y = 0; y < image->height; ++y) {
        const std::uint8_t *src = ImageRow(image, static_cast<std::int32_t>(y));
        if (image->bitsPerPixel == 24) {
            for (std::uint32_t x = 0; x < image->width; ++x) {
                scratch[3 * x] = src[3 * x + 2];
                scratch[3 * x + 1] = src[3 * x + 1];
                scratch[3 * x + 2] = src[3 * x];
            }
        } else {
            std::memcpy(scratch.data(), src, rowBytes);
        }
        if (TIFFWriteScanline(tif, scratch.data(), y, 0) < 0) return ZR_ERR_FILE;
    }
    return TIFFWriteDirectory(tif) ? ZR_OK : ZR_ERR_FILE;
}

std::uint16_t WriteTiff(const ZrImage *image, const char *path, int page) {
    std::uint16_t code = CheckWriteArgs(image, path);
    if (code != ZR_OK) return code;
    if (page < 0) return ZR_ERR_BAD_ARGUMENT;
    TiffOptions options;
    if (!options.get()) return ZR_ERR_NO_MEMORY;
    if (page > 0) {
        std::uint64_t pages = 0;
        if ((code = CountPages(path, options, &pages)) != ZR_OK) return code;
        if (pages != static_cast<std::uint64_t>(page)) return ZR_ERR_BAD_ARGUMENT;
    }
    {
        TiffFile file(TIFFOpenExt(path, page == 0 ? "w" : "a", options.get()));
        if (!file.get()) return ZR_ERR_FILE;
        code = WritePage(file.get(), image);
    }
    if (code != ZR_OK && page == 0) std::remove(path);
    return code;
}

}  // namespace

std::uint16_t DecodeTiffBytes(ZrImage *image, const std::vector<std::uint8_t> &bytes) {
    return DecodeTiff(image, bytes, 0, "memory");
}

}  // namespace zr::imgrw

extern "C" {

ZR_EXPORT std::uint16_t ZrReadTIF(ZrImage *image, const char *path, int page) {
    return zr::imgrw::Guarded([&] { return zr::imgrw::ReadTiff(image, path, page); });
}

ZR_EXPORT std::uint16_t ZrWriteTIF(const ZrImage *image, const char *path, int page) {
    return zr::imgrw::Guarded([&] { return zr::imgrw::WriteTiff(image, path, page); });
}

}  // extern "C"
