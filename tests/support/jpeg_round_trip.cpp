// A grey raster compressed to JPEG in memory and read back (libjpeg).
#include "jpeg_round_trip.hpp"

#include "jpeg_encode.hpp"

#include <cstdio>
// clang-format off
#include <jpeglib.h>
// clang-format on

namespace zr::test {

Raster JpegRoundTrip(const Raster &r, int quality) {
    if (r.empty() || quality < 1 || quality > 100) return {};
    JpegSettings settings;
    settings.quality = quality;
    const std::vector<std::uint8_t> file =
        EncodeJpeg(r.pixels.data(), r.width, r.height, JpegColours::Grey, settings);
    if (file.empty()) return {};
    jpeg_error_mgr errors{};
    jpeg_decompress_struct decompress{};
    decompress.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&decompress);
    jpeg_mem_src(&decompress, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&decompress, TRUE);
    decompress.out_color_space = JCS_GRAYSCALE;
    jpeg_start_decompress(&decompress);
    Raster out =
        Canvas(static_cast<int>(decompress.output_width), static_cast<int>(decompress.output_height));
    while (decompress.output_scanline < decompress.output_height) {
        JSAMPROW row = &out.pixels[static_cast<std::size_t>(decompress.output_scanline) * out.width];
        jpeg_read_scanlines(&decompress, &row, 1);
    }
    jpeg_finish_decompress(&decompress);
    jpeg_destroy_decompress(&decompress);
    return out;
}

}  // namespace zr::test
