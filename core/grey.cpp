// Grey conversion, the iterative global threshold and the whole-image
// operations on bi-level working images.
#include "core/grey.hpp"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "core/dib_header.hpp"
#include "core/geom/geom.hpp"
#include "core/image.hpp"

namespace zr {
namespace {

// Whole-image operations walk the stored rows in storage order (bottom row
// first) at any depth; bi-level stages address rows through BitImageView.
std::uint8_t *StoredRow(const ZrImage *image, std::uint32_t r) {
    return static_cast<std::uint8_t *>(image->bits) + static_cast<std::ptrdiff_t>(r) * image->pitch;
}

bool IsBilevel(const ZrImage *image) {
    return image && image->bitsPerPixel == 1 && HoldsPicture(image);
}

void BilevelToGrey(const ZrImage &source, ZrImage *grey) {
    // After the flip a set bit is light, whatever the polarity.
    const std::uint8_t flip = source.polarity != 0 ? 0x00 : 0xFF;
    for (std::uint32_t r = 0; r < source.height; ++r) {
        const std::uint8_t *s = StoredRow(&source, r);
        std::uint8_t *d = StoredRow(grey, r);
        for (std::uint32_t x = 0; x < source.width; ++x) {
            const unsigned bit = ((s[x >> 3] ^ flip) >> (7 - (x & 7))) & 1u;
            d[x] = static_cast<std::uint8_t>(0u - bit);
        }
    }
}

void ColourToGrey(const ZrImage &source, ZrImage *grey) {
    for (std::uint32_t r = 0; r < source.height; ++r) {
        const std::uint8_t *s = StoredRow(&source, r);
        std::uint8_t *d = StoredRow(grey, r);
        for (std::uint32_t x = 0; x < source.width; ++x, s += 3) {
            d[x] = static_cast<std::uint8_t>(geom::RoundHalfUp(0.11 * s[0] + 0.59 * s[1] + 0.30 * s[2]));
        }
    }
}

}  // namespace

std::uint16_t ImageToGrey(ZrImage *image) {
    if (!image) return ZR_ERR_NULL_IMAGE;
    if (!image->dib) return ZR_ERR_EMPTY_IMAGE;
    if (image->bitsPerPixel == 8) return ZR_OK;
    if ((image->bitsPerPixel != 1 && image->bitsPerPixel != 24) || !HoldsPicture(image))
        return ZR_ERR_BAD_FORMAT;

    // The old block becomes the source; the record gets a fresh 8-bit one.
    ZrImage source = *image;
    image->dib = image->bits = nullptr;
    image->bitsPerPixel = 8;
    const std::uint16_t code = ImageCreate(image);
    if (code != ZR_OK) {
        *image = source;
        return code;
    }
    if (source.bitsPerPixel == 1) {
        BilevelToGrey(source, image);
    } else {
        ColourToGrey(source, image);
    }
    ImageDestroy(&source);
    return ZR_OK;
}

std::uint16_t GreyHistogram(const ZrImage *image, Histogram *histogram) {
    if (!image || !histogram) return ZR_ERR_NULL_IMAGE;
    if (!image->dib) return ZR_ERR_EMPTY_IMAGE;
    if (image->bitsPerPixel != 8 || !HoldsPicture(image)) return ZR_ERR_BAD_FORMAT;

    // Four partial counts keep runs of one level (white paper) from serialising on one counter.
    Histogram part[4] = {};
    const std::uint32_t quads = image->width & ~3u;
    for (std::uint32_t r = 0; r < image->height; ++r) {
        const std::uint8_t *s = StoredRow(image, r);
        std::uint32_t x = 0;
        for (; x < quads; x += 4) {
            ++part[0][s[x]];
            ++part[1][s[x + 1]];
            ++part[2][s[x + 2]];
            ++part[3][s[x + 3]];
        }
        for (; x < image->width; ++x) ++part[0][s[x]];
    }
    for (std::size_t i = 0; i < 256; ++i) (*histogram)[i] = part[0][i] + part[1][i] + part[2][i] + part[3][i];
    return ZR_OK;
}

std::uint8_t IterativeThreshold(const Histogram &histogram) {
    unsigned t = 128;
    // The update is monotone in t, so it settles well within 256 rounds; the
    // bound only guarantees termination.
    for (int round = 0; round < 256; ++round) {
        std::uint64_t sumLow = 0, countLow = 0, sumHigh = 0, countHigh = 0;
        for (unsigned i = 0; i < 256; ++i) {
            const std::uint64_t n = histogram[i];
            if (i <= t) {
                sumLow += i * n;
                countLow += n;
            } else {
                sumHigh += i * n;
                countHigh += n;
            }
        }
        const std::uint64_t next = sumHigh / std::max<std::uint64_t>(2 * countHigh, 1) +
                                   sumLow / std::max<std::uint64_t>(2 * countLow, 1);
        if (next == t) break;
        t = static_cast<unsigned>(next);
    }
    return static_cast<std::uint8_t>(t);
}

void BinarizeGrey(const ZrImage *source, ZrImage *target, const Histogram &histogram) {
    if (!source || !IsBilevel(target) || source->bitsPerPixel != 8 || !HoldsPicture(source)) return;
    if (source->width != target->width || source->height != target->height) return;

    const std::uint8_t t = IterativeThreshold(histogram);
    // A dark pixel's bit is 1 for polarity 0 and 0 for polarity 1.
    const std::uint8_t flip = target->polarity != 0 ? 0xFF : 0x00;
    const std::uint32_t fullBytes = target->width / 8;
    const std::uint32_t rest = target->width % 8;
    for (std::uint32_t r = 0; r < target->height; ++r) {
        const std::uint8_t *s = StoredRow(source, r);
        std::uint8_t *d = StoredRow(target, r);
        for (std::uint32_t k = 0; k < fullBytes; ++k, s += 8) {
            unsigned dark = 0;
            for (int j = 0; j < 8; ++j) dark = (dark << 1) | (s[j] < t ? 1u : 0u);
            d[k] = static_cast<std::uint8_t>(dark ^ flip);
        }
        if (rest != 0) {
            unsigned dark = 0;
            for (std::uint32_t j = 0; j < rest; ++j) dark = (dark << 1) | (s[j] < t ? 1u : 0u);
            dark <<= 8 - rest;
            const unsigned padding = 0xFFu >> rest;
            d[fullBytes] = static_cast<std::uint8_t>((d[fullBytes] & padding) | ((dark ^ flip) & ~padding));
        }
    }
}

std::uint16_t ImageToMono(ZrImage *image) {
    if (!image) return ZR_ERR_NULL_IMAGE;
    if (!image->dib) return ZR_ERR_EMPTY_IMAGE;
    if (image->bitsPerPixel == 1) return ZR_OK;
    if (image->bitsPerPixel == 24) {
        const std::uint16_t code = ImageToGrey(image);
        if (code != ZR_OK) return code;
    } else if (image->bitsPerPixel != 8) {
        return ZR_ERR_BAD_FORMAT;
    }

    Histogram histogram;
    std::uint16_t code = GreyHistogram(image, &histogram);
    if (code != ZR_OK) return code;
    // The grey block becomes the source; the record gets a blank 1-bit one.
    ZrImage grey = *image;
    image->dib = image->bits = nullptr;
    image->bitsPerPixel = 1;
    code = ImageCreate(image);
    if (code != ZR_OK) {
        *image = grey;
        return code;
    }
    BinarizeGrey(&grey, image, histogram);
    ImageDestroy(&grey);
    return ZR_OK;
}

void ImageDespeckle(ZrImage *image) {
    if (!IsBilevel(image) || image->height < 4) return;

    // The 3 x 3 block lives in one word: each row has a 10-bit lane holding the
    // last pixel of the byte before, the byte itself and the first pixel of the
    // byte after. Shifting the word left by one moves the block one pixel right;
    // bits that spill in from the lane below stay outside the mask.
    constexpr std::uint32_t kLane = 0x380;  // pixels x - 1, x, x + 1 of a lane
    constexpr std::uint32_t kMask = kLane << 20 | kLane << 10 | kLane;
    constexpr std::uint32_t kCentre = 1u << 18;
    constexpr std::uint32_t kAllSet = 0x3FFFFFFF;
    const std::uint32_t bytes = (image->width + 7) / 8;
    if (bytes < 2) return;
    const std::uint32_t lastByte = bytes - 1;  // only its first pixel is visited

    // Lane of byte k; `before` is the byte left of it as it was before filtering.
    auto lane = [bytes](const std::uint8_t *row, std::uint32_t k, std::uint8_t before) {
        const std::uint32_t after = k + 1 < bytes ? row[k + 1] >> 7 : 0u;
        return (before & 1u) << 9 | static_cast<std::uint32_t>(row[k]) << 1 | after;
    };

    for (std::uint32_t r = 1; r + 3 <= image->height; ++r) {
        const std::uint8_t *below = StoredRow(image, r - 1);
        std::uint8_t *row = StoredRow(image, r);
        const std::uint8_t *above = StoredRow(image, r + 1);
        std::uint8_t unfiltered = 0;  // byte k - 1 of this row before it changed
        for (std::uint32_t k = 0; k <= lastByte; ++k) {
            // The word is taken before this byte changes, so decisions within
            // the row see its unfiltered values.
            const std::uint8_t left = unfiltered;
            unfiltered = row[k];
            std::uint32_t block = lane(below, k, k > 0 ? below[k - 1] : 0) << 20 | lane(row, k, left) << 10 |
                                  lane(above, k, k > 0 ? above[k - 1] : 0);
            if (block == 0 || block == kAllSet) continue;
            const int first = k == 0 ? 1 : 0;
            const int last = k == lastByte ? 0 : 7;
            block <<= first;
            for (int j = first; j <= last; ++j, block <<= 1) {
                const std::uint32_t seen = block & kMask;
                const auto bit = static_cast<std::uint8_t>(0x80u >> j);
                if (seen == (kMask & ~kCentre)) {
                    row[k] |= bit;
                } else if (seen == kCentre) {
                    row[k] &= static_cast<std::uint8_t>(~bit);
                }
            }
        }
    }
}

void ImageClearBorder(ZrImage *image) {
    if (!IsBilevel(image) || image->width == 0 || image->height == 0) return;
    const bool lightIsSet = image->polarity != 0;
    std::memset(StoredRow(image, 0), lightIsSet ? 0xFF : 0x00, static_cast<std::size_t>(image->pitch));
    std::memset(StoredRow(image, image->height - 1), lightIsSet ? 0xFF : 0x00,
                static_cast<std::size_t>(image->pitch));
    const std::uint32_t lastByte = (image->width - 1) >> 3;
    const auto lastBit = static_cast<std::uint8_t>(0x80u >> ((image->width - 1) & 7));
    for (std::uint32_t r = 0; r < image->height; ++r) {
        std::uint8_t *row = StoredRow(image, r);
        if (lightIsSet) {
            row[0] |= 0x80;
            row[lastByte] |= lastBit;
        } else {
            row[0] &= 0x7F;
            row[lastByte] &= static_cast<std::uint8_t>(~lastBit);
        }
    }
}

void ImageInvert(ZrImage *image) {
    if (!image || !HoldsPicture(image)) return;
    auto *bits = static_cast<std::uint8_t *>(image->bits);
    for (std::uint32_t i = 0; i < image->size; ++i) bits[i] = static_cast<std::uint8_t>(~bits[i]);
}

}  // namespace zr
