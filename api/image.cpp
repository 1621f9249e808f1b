// Pictures: the caller's view, and owning images read from files or memory.
#include <cstring>
#include <stdexcept>

#include "zr/ZrImgRW.h"
#include "zr/ZrReaders.hpp"

namespace zr {
namespace {

constexpr std::uint16_t kBitsGrey = 8;
constexpr std::uint16_t kBitsColour = 24;
constexpr std::uint16_t kBitsBilevel = 1;
constexpr std::uint8_t kWhite = 255;
constexpr std::uint8_t kBlack = 0;

}  // namespace

int BytesPerPixel(PixelFormat format) {
    switch (format) {
        case PixelFormat::Grey8:
            return 1;
        case PixelFormat::RGB24:
        case PixelFormat::BGR24:
            return 3;
        case PixelFormat::RGBA32:
        case PixelFormat::BGRA32:
            return 4;
    }
    throw std::invalid_argument("unknown pixel format");
}

ImageView::ImageView(const std::uint8_t *data, int width, int height, PixelFormat format,
                     std::ptrdiff_t rowStride)
    : data_(data), width_(width), height_(height), format_(format), rowStride_(rowStride) {
    if (!data) throw std::invalid_argument("ImageView: null pixel data");
    if (width <= 0 || height <= 0) throw std::invalid_argument("ImageView: width and height must be above 0");
    const std::ptrdiff_t rowBytes = static_cast<std::ptrdiff_t>(width) * BytesPerPixel(format);
    if (rowStride_ == 0) rowStride_ = rowBytes;
    if (rowStride_ < rowBytes && -rowStride_ < rowBytes)
        throw std::invalid_argument("ImageView: row stride shorter than a row");
}

ImageError::ImageError(std::uint16_t status, const std::string &what)
    : std::runtime_error(what + ": " + StatusMessage(status)), status_(status) {}

std::string StatusMessage(std::uint16_t status) {
    switch (status) {
        case ZR_OK:
            return "no error";
        case ZR_ERR_NULL_IMAGE:
            return "null image record";
        case ZR_ERR_EMPTY_IMAGE:
            return "the image holds no pixels";
        case ZR_ERR_BAD_FORMAT:
            return "image format or depth not supported";
        case ZR_ERR_NO_MEMORY:
            return "out of memory, or the picture is too large";
        case ZR_ERR_UNSUPPORTED:
            return "file type not supported";
        case ZR_ERR_FILE:
            return "the file cannot be opened or read";
        case ZR_ERR_CORRUPT:
            return "the file is truncated or corrupt";
        case ZR_ERR_NULL_DIB:
            return "null picture";
        case ZR_ERR_BAD_ARGUMENT:
            return "bad argument";
        case ZR_ERR_LIST_FULL:
            return "result list full";
        default:
            return "status " + std::to_string(status);
    }
}

// The record read from the file; 1-bit pictures are widened to grey levels.
struct Image::Pixels {
    ZrImage record{};
    std::vector<std::uint8_t> grey;
    Pixels() = default;
    Pixels(const Pixels &) = delete;
    Pixels &operator=(const Pixels &) = delete;
    ~Pixels() { ZrDestroyImage(&record); }

    void WidenBilevel() {
        const std::size_t width = record.width;
        grey.resize(width * record.height);
        const bool zeroIsDark = record.polarity != 0;
        for (std::uint32_t y = 0; y < record.height; ++y) {
            const std::uint8_t *stored = StoredRow(y);
            std::uint8_t *out = grey.data() + y * width;
            for (std::size_t x = 0; x < width; ++x) {
                const bool bit = ((stored[x >> 3] >> (7 - (x & 7))) & 1u) != 0;
                out[x] = bit != zeroIsDark ? kBlack : kWhite;
            }
        }
    }

    // Row y counted from the top of the bottom-up block.
    const std::uint8_t *StoredRow(std::uint32_t y) const {
        return static_cast<const std::uint8_t *>(record.bits) +
               static_cast<std::ptrdiff_t>(record.height - 1 - y) * record.pitch;
    }
};

Image::Image(std::unique_ptr<Pixels> pixels) : pixels_(std::move(pixels)) {}
Image::Image(Image &&) noexcept = default;
Image &Image::operator=(Image &&) noexcept = default;
Image::~Image() = default;

int Image::width() const {
    return static_cast<int>(pixels_->record.width);
}

int Image::height() const {
    return static_cast<int>(pixels_->record.height);
}

ImageView Image::view() const {
    const Pixels &pixels = *pixels_;
    if (pixels.record.bitsPerPixel == kBitsBilevel)
        return ImageView(pixels.grey.data(), width(), height(), PixelFormat::Grey8);
    const PixelFormat format = pixels.record.bitsPerPixel == kBitsColour ? PixelFormat::BGR24 : PixelFormat::Grey8;
    return ImageView(pixels.StoredRow(0), width(), height(), format, -static_cast<std::ptrdiff_t>(pixels.record.pitch));
}

// Builds images from ZrImgRW's reads.
struct ImageAccess {
    template <typename ReadCall>
    static Image ReadWith(ReadCall &&read, const std::string &what);
};

template <typename ReadCall>
Image ImageAccess::ReadWith(ReadCall &&read, const std::string &what) {
    auto pixels = std::make_unique<Image::Pixels>();
    const std::uint16_t status = read(&pixels->record);
    if (status != ZR_OK) throw ImageError(status, what);
    if (pixels->record.bitsPerPixel != kBitsGrey && pixels->record.bitsPerPixel != kBitsColour)
        pixels->WidenBilevel();
    return Image(std::move(pixels));
}

Image ReadImageFile(const std::string &path) {
    return ImageAccess::ReadWith([&](ZrImage *record) { return ZrReadImage(record, path.c_str()); }, path);
}

Image DecodeImage(const void *bytes, std::size_t size) {
    if (!bytes && size != 0) throw std::invalid_argument("DecodeImage: null bytes");
    static constexpr std::uint8_t kNothing = 0;
    const void *data = bytes ? bytes : &kNothing;
    return ImageAccess::ReadWith([&](ZrImage *record) { return ZrReadImageMemory(record, data, size); }, "image in memory");
}

}  // namespace zr
