// Shared by the ZrImgRW fuzz targets: the input as a file the readers can open,
// and the checks every read must pass.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "zr/ZrImgRW.h"

namespace zr_fuzz {

// An anonymous in-memory file reached through /proc/self/fd, rewritten for each input.
class MemoryFile {
  public:
    MemoryFile() : fd_(memfd_create("zr_imgrw_fuzz", MFD_CLOEXEC)) {
        if (fd_ < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~MemoryFile() { close(fd_); }
    MemoryFile(const MemoryFile &) = delete;
    MemoryFile &operator=(const MemoryFile &) = delete;

    const char *Put(const std::uint8_t *data, std::size_t size) {
        if (ftruncate(fd_, 0) != 0) std::abort();
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) std::abort();
            done += static_cast<std::size_t>(n);
        }
        return path_.c_str();
    }

  private:
    int fd_;
    std::string path_;
};

// A successful read hands over a whole record within the size limit whose every
// byte can be read; a failed one leaves the empty record empty.
inline void CheckRead(std::uint16_t code, ZrImage *image) {
    const auto fail = [](const char *what) {
        std::fprintf(stderr, "imgrw fuzz: %s\n", what);
        std::abort();
    };
    if (code != 0) {
        if (image->dib || image->bits) fail("failed read changed the record");
        return;
    }
    if (!image->dib || !image->bits) fail("successful read without a picture");
    if (image->bitsPerPixel != 1 && image->bitsPerPixel != 8 && image->bitsPerPixel != 24)
        fail("unexpected depth");
    // The fuzz build's picture limit: 2^22 pixels.
    if (image->width == 0 || image->height == 0 || image->width > 65535 || image->height > 65535 ||
        std::uint64_t{image->width} * image->height > (std::uint64_t{1} << 22))
        fail("picture past the size limit");
    const std::uint64_t pitch = (std::uint64_t{image->width} * image->bitsPerPixel + 31) / 32 * 4;
    if (static_cast<std::uint64_t>(image->pitch) != pitch || image->size != pitch * image->height)
        fail("record fields do not describe the block");
    // Reading every byte lets the address sanitizer catch a block shorter than the record says.
    const auto *bits = static_cast<const volatile std::uint8_t *>(image->bits);
    std::uint32_t sum = 0;
    for (std::uint32_t i = 0; i < image->size; i += 61) sum += bits[i];
    sum += bits[image->size - 1];
    (void)sum;
}

// Reads into an empty record and into one that holds a picture: both reads give
// the same status, and a failed one leaves the held record and its block as they were.
template <typename Read>
void CheckReads(Read read) {
    ZrImage image{};
    const std::uint16_t code = read(&image);
    CheckRead(code, &image);
    ZrDestroyImage(&image);

    ZrImage held{};
    held.width = 3;
    held.height = 2;
    held.bitsPerPixel = 8;
    if (ZrCreateImage(&held) != 0) std::abort();
    ZrImage fields;
    std::memcpy(&fields, &held, sizeof held);
    const auto *dib = static_cast<const std::uint8_t *>(held.dib);
    const std::vector<std::uint8_t> block(dib, static_cast<const std::uint8_t *>(held.bits) + held.size);
    const std::uint16_t again = read(&held);
    if (again != code) {
        std::fprintf(stderr, "imgrw fuzz: status %u, then %u for the same file\n", code, again);
        std::abort();
    }
    if (again != 0 && (std::memcmp(&fields, &held, sizeof held) != 0 ||
                       std::memcmp(block.data(), held.dib, block.size()) != 0)) {
        std::fprintf(stderr, "imgrw fuzz: failed read changed a held record\n");
        std::abort();
    }
    if (again == 0) CheckRead(again, &held);
    ZrDestroyImage(&held);
}

}  // namespace zr_fuzz
