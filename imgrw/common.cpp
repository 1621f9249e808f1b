// Helpers shared by the file readers and writers.
#include <cstring>

#include "core/dib_header.hpp"
#include "imgrw/imgrw.hpp"

namespace zr::imgrw {

std::uint16_t ReadWholeFile(const char *path, std::vector<std::uint8_t> *data) {
    std::FILE *file = std::fopen(path, "rb");
    if (!file) return ZR_ERR_FILE;
    std::uint16_t code = ZR_OK;
    if (std::fseek(file, 0, SEEK_END) != 0) code = ZR_ERR_FILE;
    const long length = code == ZR_OK ? std::ftell(file) : -1;
    if (length < 0 || std::fseek(file, 0, SEEK_SET) != 0) code = ZR_ERR_FILE;
    if (code == ZR_OK) {
        try {
            data->resize(static_cast<std::size_t>(length));
        } catch (...) {
            code = ZR_ERR_NO_MEMORY;
        }
    }
    if (code == ZR_OK && !data->empty() && std::fread(data->data(), 1, data->size(), file) != data->size())
        code = ZR_ERR_FILE;
    std::fclose(file);
    return code;
}

std::uint16_t CheckPictureSize(std::uint64_t width, std::uint64_t height) {
    if (width == 0 || height == 0) return ZR_ERR_CORRUPT;
    if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels) return ZR_ERR_NO_MEMORY;
    return ZR_OK;
}

std::uint16_t CheckReadArgs(const ZrImage *image, const char *path) {
    if (!image) return ZR_ERR_NULL_IMAGE;
    if (!path) return ZR_ERR_BAD_ARGUMENT;
    return ZR_OK;
}

std::uint16_t CheckWriteArgs(const ZrImage *image, const char *path) {
    if (!image) return ZR_ERR_NULL_IMAGE;
    if (!path) return ZR_ERR_BAD_ARGUMENT;
    if (!image->dib || !image->bits) return ZR_ERR_EMPTY_IMAGE;
    const std::uint16_t bpp = image->bitsPerPixel;
    if (bpp != 1 && bpp != 8 && bpp != 24) return ZR_ERR_BAD_FORMAT;
    // Rows are walked from `bits`; a record that does not describe its block is refused.
    if (!HoldsPicture(image) || image->width == 0 || image->height == 0) return ZR_ERR_BAD_FORMAT;
    return ZR_OK;
}

std::uint16_t PendingImage::Create(std::uint32_t width, std::uint32_t height, std::uint16_t bitsPerPixel,
                                   std::uint16_t polarity, std::uint32_t xDpi, std::uint32_t yDpi) {
    const std::uint16_t code = CheckPictureSize(width, height);
    if (code != ZR_OK) return code;
    ImageDestroy(&image_);
    image_ = ZrImage{};
    image_.width = width;
    image_.height = height;
    image_.bitsPerPixel = bitsPerPixel;
    image_.polarity = bitsPerPixel == 1 ? polarity : 0;
    image_.xDpi = xDpi;
    image_.yDpi = yDpi;
    return ImageCreate(&image_);
}

void PendingImage::ClearBilevelTails() {
    if (!image_.dib || image_.bitsPerPixel != 1) return;
    const std::uint8_t white = ZeroBitIsDark(&image_) ? 0xFF : 0x00;
    const std::uint32_t used = (image_.width + 7) / 8;
    const std::uint32_t spare = image_.width % 8;
    // Bits of the last used byte that lie past the picture.
    const auto tailMask = static_cast<std::uint8_t>(spare ? 0xFFu >> spare : 0u);
    for (std::uint32_t y = 0; y < image_.height; ++y) {
        std::uint8_t *row = Row(y);
        row[used - 1] = static_cast<std::uint8_t>((row[used - 1] & ~tailMask) | (white & tailMask));
        std::memset(row + used, white, static_cast<std::size_t>(image_.pitch) - used);
    }
}

void PendingImage::MoveTo(ZrImage *target) {
    ImageDestroy(target);
    const std::uint32_t reserved = target->reserved;
    *target = image_;
    target->reserved = reserved;
    image_ = ZrImage{};
}

OutputFile::OutputFile(const char *path) : path_(path), file_(std::fopen(path, "wb")) {}

OutputFile::~OutputFile() {
    if (file_) {
        std::fclose(file_);
        std::remove(path_);
    }
}

bool OutputFile::Write(const void *data, std::size_t bytes) {
    return file_ && std::fwrite(data, 1, bytes, file_) == bytes;
}

std::uint16_t OutputFile::Close() {
    if (!file_) return ZR_ERR_FILE;
    const bool flushed = std::fflush(file_) == 0 && !std::ferror(file_);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (flushed && closed) return ZR_OK;
    std::remove(path_);
    return ZR_ERR_FILE;
}

namespace {

// Above a million dots per inch a value is taken for garbage rather than resolution.
constexpr double kMaxDpi = 1.0e6;

std::uint32_t RoundDpi(double dpi) {
    if (!(dpi > 0.0) || dpi > kMaxDpi) return 0;
    return static_cast<std::uint32_t>(dpi + 0.5);
}

}  // namespace

std::uint32_t DpiFromInch(double perInch) {
    return RoundDpi(perInch);
}

std::uint32_t DpiFromCentimetre(double perCentimetre) {
    return RoundDpi(perCentimetre * 2.54);
}

}  // namespace zr::imgrw
