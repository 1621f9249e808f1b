// JPEG files written in memory (libjpeg).
#include "jpeg_encode.hpp"

#include <cstdio>
#include <cstdlib>
// clang-format off
#include <jpeglib.h>
// clang-format on

namespace zr::test {

namespace {

int Components(JpegColours colours) {
    switch (colours) {
        case JpegColours::Grey:
            return 1;
        case JpegColours::Rgb:
            return 3;
        case JpegColours::Cmyk:
            return 4;
    }
    return 1;
}

J_COLOR_SPACE ColourSpace(JpegColours colours) {
    switch (colours) {
        case JpegColours::Grey:
            return JCS_GRAYSCALE;
        case JpegColours::Rgb:
            return JCS_RGB;
        case JpegColours::Cmyk:
            return JCS_CMYK;
    }
    return JCS_GRAYSCALE;
}

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const std::uint8_t *pixels, int width, int height, JpegColours colours,
                                     const JpegSettings &settings) {
    if (pixels == nullptr || width <= 0 || height <= 0 || width > JPEG_MAX_DIMENSION ||
        height > JPEG_MAX_DIMENSION || settings.quality < 1 || settings.quality > 100)
        return {};
    const int components = Components(colours);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr error{};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = ColourSpace(colours);
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, settings.quality, TRUE);
    for (int c = 0; c < cinfo.num_components; ++c)
        cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    if (settings.progressive) jpeg_simple_progression(&cinfo);
    cinfo.arith_code = settings.arithmetic ? TRUE : FALSE;
    cinfo.optimize_coding = settings.optimize ? TRUE : FALSE;
    cinfo.write_JFIF_header = TRUE;
    cinfo.density_unit = static_cast<UINT8>(settings.densityUnit);
    cinfo.X_density = cinfo.Y_density = static_cast<UINT16>(settings.density);
    if (settings.adobeMarker) cinfo.write_Adobe_marker = *settings.adobeMarker ? TRUE : FALSE;
    std::vector<jpeg_scan_info> scans;
    if (settings.scanPerBit && components == 1) {
        scans.push_back(jpeg_scan_info{1, {0}, 0, 0, 0, 0});
        for (int k = 1; k < DCTSIZE2; ++k) {
            scans.push_back(jpeg_scan_info{1, {0}, k, k, 0, 10});
            for (int bit = 10; bit > 0; --bit) scans.push_back(jpeg_scan_info{1, {0}, k, k, bit, bit - 1});
        }
        cinfo.scan_info = scans.data();
        cinfo.num_scans = static_cast<int>(scans.size());
    }
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(components);
    while (cinfo.next_scanline < cinfo.image_height) {
        auto *row = const_cast<JSAMPLE *>(pixels + std::size_t{cinfo.next_scanline} * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<std::uint8_t> file(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return file;
}

}  // namespace zr::test
