// A grey raster compressed to JPEG in memory and read back (libjpeg).
#include "jpeg_round_trip.hpp"

#include <jpeglib.h>
#include <cstdio>
#include <cstdlib>

namespace zr::test {

Raster JpegRoundTrip(const Raster &r, int quality) {
    if (r.empty() || quality < 1 || quality > 100) return {};
    jpeg_error_mgr errors{};
    jpeg_compress_struct compress{};
    compress.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compress);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&compress, &buffer, &size);
    compress.image_width = static_cast<JDIMENSION>(r.width);
    compress.image_height = static_cast<JDIMENSION>(r.height);
    compress.input_components = 1;
    compress.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&compress);
    jpeg_set_quality(&compress, quality, TRUE);
    jpeg_start_compress(&compress, TRUE);
    while (compress.next_scanline < compress.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(&r.pixels[static_cast<std::size_t>(compress.next_scanline) * r.width]);
        jpeg_write_scanlines(&compress, &row, 1);
    }
    jpeg_finish_compress(&compress);
    jpeg_destroy_compress(&compress);

    jpeg_decompress_struct decompress{};
    decompress.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&decompress);
    jpeg_mem_src(&decompress, buffer, size);
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
    std::free(buffer);
    return out;
}

}  // namespace zr::test
