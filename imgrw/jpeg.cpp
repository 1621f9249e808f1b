// JPEG files through the libjpeg interface (libjpeg-turbo).
//
// Read: grey becomes 8-bit grey, YCbCr and RGB 24 bits, CMYK and YCCK 24 bits
// (Adobe files store the inks inverted). The JFIF density gives the resolution
// when its unit is dots per inch or per centimetre. Warnings that mean scan data
// is missing or damaged (premature end of the file or of a data segment, bad
// Huffman or arithmetic codes, lost restart markers, an inconsistent progression)
// make the file corrupt (13); the others, such as stray bytes before a marker,
// are ignored.
// Bounds: Huffman-coded scan data holds at least one bit per 8x8 block for
// progressive files and two (DC and end-of-block codes) for sequential ones, so a
// file too short for the blocks of its first scan is corrupt (13) before anything
// is allocated; arithmetic coding, which can spend far less than a bit on a
// block, is held to 1024 blocks per byte.
// libjpeg may use at most kWorkMemory for its own buffers (progressive and
// multi-scan files keep every coefficient), beyond that the read is refused (10),
// and files of more than kMaxScans scans are corrupt (13).
// Write: quality 90 without chroma subsampling; 1-bit records are written as 8-bit grey (dark 0, light 255),
// 8 bits as grey, 24 bits as colour; the JFIF density in dots per inch (0 dpi is
// written as an aspect ratio of 1:1, which reads back as no resolution).
//
// libjpeg reports errors by longjmp: as in png.cpp the functions that call setjmp
// hold no objects with destructors, and the codec structures and buffers belong
// to their callers.
#include <cstdio>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include "imgrw/imgrw.hpp"
#include "zr/ZrImgRW.h"

namespace zr::imgrw {
namespace {

constexpr int kQuality = 90;
constexpr std::uint32_t kMaxJpegSide = JPEG_MAX_DIMENSION;
constexpr long kWorkMemory = 512L << 20;
constexpr int kMaxScans = 500;
constexpr std::uint64_t kArithBlocksPerByte = 1024;

// libjpeg's error manager with the place to jump to and the status to report.
struct JpegError {
    jpeg_error_mgr manager;  // first: libjpeg hands back a pointer to it
    std::jmp_buf jump;
    std::uint16_t code;
    std::uint16_t otherCode;  // status for errors that are not about memory or the file
};

JpegError *ErrorOf(j_common_ptr cinfo) {
    return reinterpret_cast<JpegError *>(cinfo->err);
}

[[noreturn]] void JumpWith(JpegError *error, std::uint16_t code) {
    error->code = code;
    std::longjmp(error->jump, 1);
}

void JpegFail(j_common_ptr cinfo) {
    JpegError *error = ErrorOf(cinfo);
    const int message = error->manager.msg_code;
    const bool memory = message == JERR_OUT_OF_MEMORY || message == JERR_NO_BACKING_STORE;
    JumpWith(error, memory                                                    ? ZR_ERR_NO_MEMORY
                    : message == JERR_FILE_WRITE || message == JERR_FILE_READ ? ZR_ERR_FILE
                                                                              : error->otherCode);
}

// Warnings after which the decoded picture lacks data the file should have held.
bool MeansMissingData(int message) {
    return message == JWRN_JPEG_EOF || message == JWRN_HIT_MARKER || message == JWRN_HUFF_BAD_CODE ||
           message == JWRN_ARITH_BAD_CODE || message == JWRN_MUST_RESYNC || message == JWRN_BOGUS_PROGRESSION;
}

void JpegMessage(j_common_ptr cinfo, int level) {
    JpegError *error = ErrorOf(cinfo);
    if (level < 0 && MeansMissingData(error->manager.msg_code)) JumpWith(error, ZR_ERR_CORRUPT);
}

// Called between input rows and scans: stops files of endless scans.
void JpegProgress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
        JumpWith(ErrorOf(cinfo), ZR_ERR_CORRUPT);
}

void JpegSilence(j_common_ptr) {}

void InstallErrorManager(JpegError *error, std::uint16_t otherCode) {
    jpeg_std_error(&error->manager);
    error->manager.error_exit = JpegFail;
    error->manager.emit_message = JpegMessage;
    error->manager.output_message = JpegSilence;
    error->code = ZR_OK;
    error->otherCode = otherCode;
}

struct JpegDecoder {
    JpegDecoder() {
        InstallErrorManager(&error, ZR_ERR_CORRUPT);
        cinfo.err = &error.manager;
        progress.progress_monitor = JpegProgress;
    }
    ~JpegDecoder() { jpeg_destroy_decompress(&cinfo); }  // accepts a structure never created
    JpegDecoder(const JpegDecoder &) = delete;
    JpegDecoder &operator=(const JpegDecoder &) = delete;

    jpeg_decompress_struct cinfo{};
    JpegError error{};
    jpeg_progress_mgr progress{};
};

struct JpegLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bitsPerPixel = 8;
    std::uint32_t xDpi = 0;
    std::uint32_t yDpi = 0;
    bool supported = true;
    bool cmyk = false;
    bool inverted = false;             // CMYK inks stored as 255 - ink
    std::uint64_t leastScanBytes = 0;  // what the first scan needs at the least
};

// Bytes the first scan needs at the least: one bit per block for a progressive
// DC scan, two for sequential data. Arithmetic coding can spend far less than a
// bit on a block; it is held to 65536 samples (1024 blocks) per byte.
std::uint64_t LeastScanBytes(j_decompress_ptr cinfo) {
    std::uint64_t blocks = 0;
    for (int i = 0; i < cinfo->comps_in_scan; ++i) {
        const jpeg_component_info *c = cinfo->cur_comp_info[i];
        blocks += std::uint64_t{c->width_in_blocks} * c->height_in_blocks;
    }
    if (cinfo->arith_code) return blocks / kArithBlocksPerByte;
    return blocks * (cinfo->progressive_mode ? 1 : 2) / 8;
}

void SetUpRead(j_decompress_ptr cinfo, jpeg_progress_mgr *progress, const std::uint8_t *data,
               std::size_t size, JpegLayout *layout) {
    jpeg_create_decompress(cinfo);  // clears every field but the error manager
    cinfo->mem->max_memory_to_use = kWorkMemory;
    cinfo->progress = progress;
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(cinfo, TRUE);
    layout->leastScanBytes = LeastScanBytes(cinfo);
    switch (cinfo->jpeg_color_space) {
        case JCS_GRAYSCALE:
            cinfo->out_color_space = JCS_GRAYSCALE;
            break;
        case JCS_YCbCr:
        case JCS_RGB:
            cinfo->out_color_space = JCS_EXT_BGR;
            layout->bitsPerPixel = 24;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            cinfo->out_color_space = JCS_CMYK;
            layout->bitsPerPixel = 24;
            layout->cmyk = true;
            layout->inverted = cinfo->saw_Adobe_marker;
            break;
        default:
            layout->supported = false;
            return;
    }
    jpeg_calc_output_dimensions(cinfo);
    layout->width = cinfo->output_width;
    layout->height = cinfo->output_height;
    if (cinfo->saw_JFIF_marker && cinfo->density_unit == 1) {
        layout->xDpi = DpiFromInch(cinfo->X_density);
        layout->yDpi = DpiFromInch(cinfo->Y_density);
    } else if (cinfo->saw_JFIF_marker && cinfo->density_unit == 2) {
        layout->xDpi = DpiFromCentimetre(cinfo->X_density);
        layout->yDpi = DpiFromCentimetre(cinfo->Y_density);
    }
}

std::uint16_t ReadHeader(JpegDecoder *decoder, const std::uint8_t *data, std::size_t size,
                         JpegLayout *layout) {
    if (setjmp(decoder->error.jump)) return decoder->error.code;
    SetUpRead(&decoder->cinfo, &decoder->progress, data, size, layout);
    return ZR_OK;
}

// One CMYK row to blue, green, red.
void CmykToBgr(const std::uint8_t *src, std::uint32_t width, bool inverted, std::uint8_t *dst) {
    for (std::uint32_t x = 0; x < width; ++x, src += 4, dst += 3) {
        const std::uint32_t k = inverted ? src[3] : 255u - src[3];
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t ink = inverted ? src[c] : 255u - src[c];
            dst[2 - c] = static_cast<std::uint8_t>((ink * k + 127) / 255);
        }
    }
}

// For progressive and multi-scan files this reads every scan into libjpeg's
// coefficient buffer, so such files fail here before the picture is allocated.
std::uint16_t StartDecoding(JpegDecoder *decoder) {
    if (setjmp(decoder->error.jump)) return decoder->error.code;
    jpeg_start_decompress(&decoder->cinfo);
    return ZR_OK;
}

void DecodeRows(j_decompress_ptr cinfo, const JpegLayout &layout, ZrImage *image, std::uint8_t *scratch) {
    while (cinfo->output_scanline < cinfo->output_height) {
        std::uint8_t *row = ImageRow(image, static_cast<std::int32_t>(cinfo->output_scanline));
        JSAMPROW target = layout.cmyk ? scratch : row;
        if (jpeg_read_scanlines(cinfo, &target, 1) != 1) ERREXIT(cinfo, JERR_INPUT_EOF);
        if (layout.cmyk) CmykToBgr(scratch, layout.width, layout.inverted, row);
    }
    jpeg_finish_decompress(cinfo);
}

std::uint16_t ReadRows(JpegDecoder *decoder, const JpegLayout *layout, ZrImage *image,
                       std::uint8_t *scratch) {
    if (setjmp(decoder->error.jump)) return decoder->error.code;
    DecodeRows(&decoder->cinfo, *layout, image, scratch);
    return ZR_OK;
}

std::uint16_t DecodeJpeg(ZrImage *image, const std::vector<std::uint8_t> &file);

std::uint16_t ReadJpeg(ZrImage *image, const char *path) {
    std::uint16_t code = CheckReadArgs(image, path);
    if (code != ZR_OK) return code;
    std::vector<std::uint8_t> file;
    if ((code = ReadWholeFile(path, &file)) != ZR_OK) return code;
    return DecodeJpeg(image, file);
}

std::uint16_t DecodeJpeg(ZrImage *image, const std::vector<std::uint8_t> &file) {
    std::uint16_t code = ZR_OK;

    JpegDecoder decoder;
    JpegLayout layout;
    if ((code = ReadHeader(&decoder, file.data(), file.size(), &layout)) != ZR_OK) return code;
    if (!layout.supported) return ZR_ERR_BAD_FORMAT;
    if (layout.leastScanBytes > file.size()) return ZR_ERR_CORRUPT;
    if ((code = CheckPictureSize(layout.width, layout.height)) != ZR_OK) return code;
    if ((code = StartDecoding(&decoder)) != ZR_OK) return code;
    PendingImage out;
    if ((code = out.Create(layout.width, layout.height, layout.bitsPerPixel, 0, layout.xDpi, layout.yDpi)) !=
        ZR_OK)
        return code;
    std::vector<std::uint8_t> scratch(layout.cmyk ? std::size_t{4} * layout.width : 0);
    if ((code = ReadRows(&decoder, &layout, out.get(), scratch.data())) != ZR_OK) return code;
    out.MoveTo(image);
    return ZR_OK;
}

struct JpegEncoder {
    JpegEncoder() {
        InstallErrorManager(&error, ZR_ERR_FILE);
        cinfo.err = &error.manager;
    }
    ~JpegEncoder() { jpeg_destroy_compress(&cinfo); }
    JpegEncoder(const JpegEncoder &) = delete;
    JpegEncoder &operator=(const JpegEncoder &) = delete;

    jpeg_compress_struct cinfo{};
    JpegError error{};
};

// Record row y as 8-bit grey or red, green, blue samples.
void SampleRow(const ZrImage *image, std::uint32_t y, std::uint8_t *dst) {
    const std::uint8_t *src = ImageRow(image, static_cast<std::int32_t>(y));
    if (image->bitsPerPixel == 1) {
        const std::uint8_t darkBit = ZeroBitIsDark(image) ? 0 : 1;
        for (std::uint32_t x = 0; x < image->width; ++x)
            dst[x] = ((src[x >> 3] >> (7 - (x & 7))) & 1) == darkBit ? 0 : 255;
    } else if (image->bitsPerPixel == 8) {
        std::memcpy(dst, src, image->width);
    } else {
        for (std::uint32_t x = 0; x < image->width; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
}

void EncodeImage(j_compress_ptr cinfo, std::FILE *file, const ZrImage *image, std::uint8_t *scratch) {
    jpeg_create_compress(cinfo);
    jpeg_stdio_dest(cinfo, file);
    cinfo->image_width = image->width;
    cinfo->image_height = image->height;
    const bool colour = image->bitsPerPixel == 24;
    cinfo->input_components = colour ? 3 : 1;
    cinfo->in_color_space = colour ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, kQuality, TRUE);
    // Full-resolution chroma: symbol edges in colour pictures stay sharp.
    for (int c = 0; c < cinfo->num_components; ++c)
        cinfo->comp_info[c].h_samp_factor = cinfo->comp_info[c].v_samp_factor = 1;
    cinfo->write_JFIF_header = TRUE;
    if (image->xDpi || image->yDpi) {
        cinfo->density_unit = 1;
        cinfo->X_density = static_cast<UINT16>(std::min<std::uint32_t>(image->xDpi, 65535));
        cinfo->Y_density = static_cast<UINT16>(std::min<std::uint32_t>(image->yDpi, 65535));
    } else {
        cinfo->density_unit = 0;
        cinfo->X_density = cinfo->Y_density = 1;
    }
    jpeg_start_compress(cinfo, TRUE);
    JSAMPROW row = scratch;
    for (std::uint32_t y = 0; y < image->height; ++y) {
        SampleRow(image, y, scratch);
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
}

std::uint16_t WriteAll(JpegEncoder *encoder, std::FILE *file, const ZrImage *image, std::uint8_t *scratch) {
    if (setjmp(encoder->error.jump)) return encoder->error.code;
    EncodeImage(&encoder->cinfo, file, image, scratch);
    return ZR_OK;
}

std::uint16_t WriteJpeg(const ZrImage *image, const char *path) {
    std::uint16_t code = CheckWriteArgs(image, path);
    if (code != ZR_OK) return code;
    if (image->width > kMaxJpegSide || image->height > kMaxJpegSide) return ZR_ERR_BAD_FORMAT;
    std::vector<std::uint8_t> scratch(std::size_t{image->bitsPerPixel == 24 ? 3u : 1u} * image->width);
    JpegEncoder encoder;
    OutputFile file(path);
    if (!file.get()) return ZR_ERR_FILE;
    if ((code = WriteAll(&encoder, file.get(), image, scratch.data())) != ZR_OK) return code;
    return file.Close();
}

}  // namespace

std::uint16_t DecodeJpegBytes(ZrImage *image, const std::vector<std::uint8_t> &bytes) {
    return DecodeJpeg(image, bytes);
}

}  // namespace zr::imgrw

extern "C" {

ZR_EXPORT std::uint16_t ZrReadJPG(ZrImage *image, const char *path) {
    return zr::imgrw::Guarded([&] { return zr::imgrw::ReadJpeg(image, path); });
}

ZR_EXPORT std::uint16_t ZrWriteJPG(const ZrImage *image, const char *path) {
    return zr::imgrw::Guarded([&] { return zr::imgrw::WriteJpeg(image, path); });
}

}  // extern "C"
