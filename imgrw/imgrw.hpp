// Helpers shared by the file readers and writers of ZrImgRW.
//
// Conventions of every call (see also README.md in this folder):
// - null record: ZR_ERR_NULL_IMAGE (1); null path: ZR_ERR_BAD_ARGUMENT (15);
//   negative or missing TIFF page: ZR_ERR_BAD_ARGUMENT (15).
// - a read builds its picture in a record of its own and hands it over only
//   when the whole file has been decoded, so a failed read leaves the caller's
//   record exactly as it was.
// - a write checks the record before it opens the file and removes the file
//   again when writing fails half-way.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/image.hpp"

namespace zr::imgrw {

// Largest picture a read accepts: no side over 65535 pixels and at most 2^28
// pixels (16384 x 16384) in all, 805 MB at 24 bits. Larger pictures are refused
// with ZR_ERR_NO_MEMORY before anything is allocated for them.
constexpr std::uint32_t kMaxSide = 65535;
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 22;  // fuzz builds: keeps every run short
#else
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 28;
#endif

// 13 for an empty side, 10 past the limits above, 0 otherwise. A reader first
// checks that the file can hold what it announces (13) and then this (10).
std::uint16_t CheckPictureSize(std::uint64_t width, std::uint64_t height);

// Reads the whole file into memory. Codes 0, ZR_ERR_FILE, ZR_ERR_NO_MEMORY.
std::uint16_t ReadWholeFile(const char *path, std::vector<std::uint8_t> *data);

// Argument checks of a read: 1 null record, 15 null path.
std::uint16_t CheckReadArgs(const ZrImage *image, const char *path);
// Argument checks of a write: 1, 15, 2 empty record, 3 depth other than 1, 8, 24
// or a block not laid out as ImageCreate makes it.
std::uint16_t CheckWriteArgs(const ZrImage *image, const char *path);

// The picture a read is building; freed unless handed over to the caller.
class PendingImage {
  public:
    PendingImage() = default;
    PendingImage(const PendingImage &) = delete;
    PendingImage &operator=(const PendingImage &) = delete;
    ~PendingImage() { ImageDestroy(&image_); }

    // A blank white picture. Codes of CheckPictureSize and ImageCreate.
    std::uint16_t Create(std::uint32_t width, std::uint32_t height, std::uint16_t bitsPerPixel,
                         std::uint16_t polarity, std::uint32_t xDpi, std::uint32_t yDpi);
    ZrImage *get() { return &image_; }
    // Stored row of picture row y, y counted from the top.
    std::uint8_t *Row(std::uint32_t y) { return ImageRow(&image_, static_cast<std::int32_t>(y)); }
    // Whitens the bits past the last pixel of 1-bit rows, which decoders may
    // have filled with whatever the file held.
    void ClearBilevelTails();
    // Frees the caller's old block and hands the picture over; `reserved` is kept.
    void MoveTo(ZrImage *target);

  private:
    ZrImage image_{};
};

// A file being written; removed again unless Close succeeds.
class OutputFile {
  public:
    explicit OutputFile(const char *path);
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;
    ~OutputFile();

    std::FILE *get() const { return file_; }
    bool Write(const void *data, std::size_t bytes);
    // Closes the file; ZR_ERR_FILE (and the file removed) when that fails.
    std::uint16_t Close();

  private:
    const char *path_;
    std::FILE *file_;
};

// True when bit value 0 of a 1-bit record is dark (polarity as ImageIsDark reads it).
inline bool ZeroBitIsDark(const ZrImage *image) {
    return image->polarity != 0;
}

// Unassociated alpha composited on a white background.
constexpr std::uint8_t OnWhite(std::uint32_t value, std::uint32_t alpha) {
    return static_cast<std::uint8_t>((value * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

// A resolution in dots per inch from a value per inch or per centimetre, rounded
// half up; 0 for values that are not positive or not plausible.
std::uint32_t DpiFromInch(double perInch);
std::uint32_t DpiFromCentimetre(double perCentimetre);

// Runs an exported call's body; allocation failures of the standard containers
// become ZR_ERR_NO_MEMORY instead of escaping the C interface.
template <typename Body>
std::uint16_t Guarded(Body &&body) noexcept {
    try {
        return body();
    } catch (...) {
        return ZR_ERR_NO_MEMORY;
    }
}

// The readers' decoding steps on a file already in memory (TIFF: its first page).
std::uint16_t DecodeBmpBytes(ZrImage *image, const std::vector<std::uint8_t> &bytes);
std::uint16_t DecodePngBytes(ZrImage *image, const std::vector<std::uint8_t> &bytes);
std::uint16_t DecodeJpegBytes(ZrImage *image, const std::vector<std::uint8_t> &bytes);
std::uint16_t DecodeTiffBytes(ZrImage *image, const std::vector<std::uint8_t> &bytes);

}  // namespace zr::imgrw
