// Pictures handed over as the bytes of a file, their type told by content.
#include <cstring>

#include "imgrw/imgrw.hpp"
#include "zr/ZrImgRW.h"

namespace zr::imgrw {
namespace {

constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint8_t kJpegSignature[] = {0xFF, 0xD8, 0xFF};
constexpr std::uint8_t kTiffLittle[] = {'I', 'I', 42, 0};
constexpr std::uint8_t kTiffBig[] = {'M', 'M', 0, 42};
constexpr std::uint8_t kBmpSignature[] = {'B', 'M'};

template <std::size_t N>
bool StartsWith(const std::uint8_t *bytes, std::size_t size, const std::uint8_t (&signature)[N]) {
    return size >= N && std::memcmp(bytes, signature, N) == 0;
}

std::uint16_t DetectType(const void *data, std::size_t size) {
    if (!data) return ZR_IMAGE_UNKNOWN;
    const auto *bytes = static_cast<const std::uint8_t *>(data);
    if (StartsWith(bytes, size, kPngSignature)) return ZR_IMAGE_PNG;
    if (StartsWith(bytes, size, kJpegSignature)) return ZR_IMAGE_JPEG;
    if (StartsWith(bytes, size, kTiffLittle) || StartsWith(bytes, size, kTiffBig)) return ZR_IMAGE_TIFF;
    if (StartsWith(bytes, size, kBmpSignature)) return ZR_IMAGE_BMP;
    return ZR_IMAGE_UNKNOWN;
}

std::uint16_t DecodeByType(ZrImage *image, const std::vector<std::uint8_t> &file) {
    switch (DetectType(file.data(), file.size())) {
        case ZR_IMAGE_PNG:
            return DecodePngBytes(image, file);
        case ZR_IMAGE_JPEG:
            return DecodeJpegBytes(image, file);
        case ZR_IMAGE_TIFF:
            return DecodeTiffBytes(image, file);
        case ZR_IMAGE_BMP:
            return DecodeBmpBytes(image, file);
        default:
            return ZR_ERR_UNSUPPORTED;
    }
}

std::uint16_t ReadMemory(ZrImage *image, const void *bytes, std::size_t size) {
    if (!image) return ZR_ERR_NULL_IMAGE;
    if (!bytes) return ZR_ERR_BAD_ARGUMENT;
    const auto *begin = static_cast<const std::uint8_t *>(bytes);
    const std::vector<std::uint8_t> file(begin, begin + size);
    return DecodeByType(image, file);
}

std::uint16_t ReadByContent(ZrImage *image, const char *path) {
    std::uint16_t code = CheckReadArgs(image, path);
    if (code != ZR_OK) return code;
    std::vector<std::uint8_t> file;
    if ((code = ReadWholeFile(path, &file)) != ZR_OK) return code;
    return DecodeByType(image, file);
}

}  // namespace
}  // namespace zr::imgrw

extern "C" {

ZR_EXPORT std::uint16_t ZrDetectImageType(const void *bytes, size_t size) {
    return zr::imgrw::DetectType(bytes, size);
}

ZR_EXPORT std::uint16_t ZrReadImageMemory(ZrImage *image, const void *bytes, size_t size) {
    return zr::imgrw::Guarded([&] { return zr::imgrw::ReadMemory(image, bytes, size); });
}

ZR_EXPORT std::uint16_t ZrReadImage(ZrImage *image, const char *path) {
    return zr::imgrw::Guarded([&] { return zr::imgrw::ReadByContent(image, path); });
}

}  // extern "C"
