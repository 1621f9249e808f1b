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

namespace {

// Up to eight stored bytes from byte `first` as one word, the leftmost pixel in
// the top bit; bytes past the row's end read as zero (light for the filter's
// purposes, as the byte-wise neighbourhood always treated them).
std::uint64_t RowWord(const std::uint8_t *row, std::uint32_t first, std::uint32_t bytes) {
    std::uint64_t word = 0;
    const std::uint32_t count = std::min<std::uint32_t>(8, bytes - first);
    if (count == 8) {  // a whole word: one load, bytes in reading order
        std::memcpy(&word, row + first, sizeof word);
        return __builtin_bswap64(word);
    }
    for (std::uint32_t i = 0; i < count; ++i) word |= static_cast<std::uint64_t>(row[first + i]) << (56 - 8 * i);
    return word;
}

void StoreRowWord(std::uint8_t *row, std::uint32_t first, std::uint32_t bytes, std::uint64_t word) {
    const std::uint32_t count = std::min<std::uint32_t>(8, bytes - first);
    if (count == 8) {
        const std::uint64_t stored = __builtin_bswap64(word);
        std::memcpy(row + first, &stored, sizeof stored);
        return;
    }
    for (std::uint32_t i = 0; i < count; ++i) row[first + i] = static_cast<std::uint8_t>(word >> (56 - 8 * i));
}

// Three neighbouring rows, a word at a time, with the words on either side so
// that the pixels left and right of every pixel can be shifted in.
struct RowWords {
    std::uint64_t previous = 0, current = 0, next = 0;

    std::uint64_t Left() const { return current >> 1 | previous << 63; }    // pixel x - 1 at x
    std::uint64_t Right() const { return current << 1 | next >> 63; }       // pixel x + 1 at x
};

}  // namespace

void ImageDespeckle(ZrImage *image) {
    if (!IsBilevel(image) || image->height < 4) return;
    // A pixel whose eight neighbours all differ from it takes their value.
    // Rows are filtered in storage order; each row's decisions see the row
    // below as already filtered and this row and the one above unfiltered.
    // Pixels 1 .. 8 * (bytes - 1) of stored rows 1 .. height - 3 are visited.
    const std::uint32_t bytes = (image->width + 7) / 8;
    if (bytes < 2) return;
    const std::uint32_t lastVisited = 8 * (bytes - 1);
    const std::uint32_t words = (bytes + 7) / 8;

    for (std::uint32_t r = 1; r + 3 <= image->height; ++r) {
        const std::uint8_t *below = StoredRow(image, r - 1);
        std::uint8_t *row = StoredRow(image, r);
        const std::uint8_t *above = StoredRow(image, r + 1);
        RowWords b, c, a;
        b.next = RowWord(below, 0, bytes);
        c.next = RowWord(row, 0, bytes);
        a.next = RowWord(above, 0, bytes);
        for (std::uint32_t w = 0; w < words; ++w) {
            for (RowWords *lane : {&b, &c, &a}) {
                lane->previous = lane->current;
                lane->current = lane->next;
            }
            // Row r's next word is read before this word is stored, so it stays unfiltered.
            const std::uint32_t following = 8 * (w + 1);
            b.next = following < bytes ? RowWord(below, following, bytes) : 0;
            c.next = following < bytes ? RowWord(row, following, bytes) : 0;
            a.next = following < bytes ? RowWord(above, following, bytes) : 0;
            const std::uint64_t allSet = b.Left() & b.current & b.Right() & c.Left() & c.Right() & a.Left() &
                                         a.current & a.Right();
            const std::uint64_t anySet = b.Left() | b.current | b.Right() | c.Left() | c.Right() | a.Left() |
                                         a.current | a.Right();
            std::uint64_t flips = (allSet & ~c.current) | (~anySet & c.current);
            if (flips == 0) continue;
            // Keep the flips to the visited pixels of this word.
            const std::uint32_t x0 = 64 * w;
            if (x0 == 0) flips &= ~(std::uint64_t{1} << 63);
            if (lastVisited < x0 + 63) flips &= ~(~std::uint64_t{0} >> (lastVisited - x0 + 1));
            StoreRowWord(row, 8 * w, bytes, c.current ^ flips);
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
    // Whole 8-byte words first: a readers' both-polarity scan inverts the
    // picture two to four times.
    std::uint32_t i = 0;
    for (; i + sizeof(std::uint64_t) <= image->size; i += sizeof(std::uint64_t)) {
        std::uint64_t word;
        std::memcpy(&word, bits + i, sizeof word);
        word = ~word;
        std::memcpy(bits + i, &word, sizeof word);
    }
    for (; i < image->size; ++i) bits[i] = static_cast<std::uint8_t>(~bits[i]);
}

bool DarkTouchesEdge(const ZrImage &image) {
    if (!IsBilevel(&image) || image.width == 0 || image.height == 0) return false;
    const bool setIsDark = image.polarity == 0;
    const std::uint32_t lastByte = (image.width - 1) / 8;
    const auto lastBits = static_cast<std::uint8_t>(0xFF00u >> ((image.width - 1) % 8 + 1));  // the pixels of the last byte
    const auto dark = [setIsDark](std::uint8_t byte, std::uint8_t mask) {
        return ((setIsDark ? byte : static_cast<std::uint8_t>(~byte)) & mask) != 0;
    };
    for (const std::uint32_t r : {0u, image.height - 1}) {
        const std::uint8_t *row = StoredRow(&image, r);
        for (std::uint32_t k = 0; k < lastByte; ++k)
            if (dark(row[k], 0xFF)) return true;
        if (dark(row[lastByte], lastBits)) return true;
    }
    const auto lastPixel = static_cast<std::uint8_t>(0x80u >> ((image.width - 1) % 8));
    for (std::uint32_t r = 0; r < image.height; ++r) {
        const std::uint8_t *row = StoredRow(&image, r);
        if (dark(row[0], 0x80) || dark(row[lastByte], lastPixel)) return true;
    }
    return false;
}

std::uint16_t ImageWithLightFrame(const ZrImage &source, std::uint32_t frameBytes, ZrImage *framed) {
    if (!IsBilevel(&source) || framed == nullptr) return ZR_ERR_BAD_FORMAT;
    const std::uint32_t frame = 8 * frameBytes;
    ZrImage target{};
    target.width = source.width + 2 * frame;
    target.height = source.height + 2 * frame;
    target.bitsPerPixel = 1;
    target.polarity = source.polarity;
    target.xDpi = source.xDpi;
    target.yDpi = source.yDpi;
    const std::uint16_t code = ImageCreate(&target);  // light all over
    if (code != ZR_OK) return code;
    const std::uint32_t wholeBytes = source.width / 8, rest = source.width % 8;
    // The bits past the width in the last stored byte are taken light.
    const std::uint8_t keep = static_cast<std::uint8_t>(0xFF00u >> rest);
    const std::uint8_t light = source.polarity != 0 ? 0xFF : 0x00;
    for (std::uint32_t r = 0; r < source.height; ++r) {
        const std::uint8_t *from = StoredRow(&source, r);
        std::uint8_t *to = StoredRow(&target, r + frame) + frameBytes;
        std::memcpy(to, from, wholeBytes);
        if (rest != 0)
            to[wholeBytes] = static_cast<std::uint8_t>((from[wholeBytes] & keep) | (light & ~keep));
    }
    ImageDestroy(framed);
    *framed = target;
    return ZR_OK;
}

void PaintFrameLight(ZrImage *framed, std::uint32_t frameBytes, std::uint32_t innerWidth) {
    if (!IsBilevel(framed) || frameBytes == 0) return;
    const std::uint32_t frame = 8 * frameBytes;
    if (framed->height < 2 * frame || framed->width < innerWidth + 2 * frame) return;
    const std::uint8_t light = framed->polarity != 0 ? 0xFF : 0x00;
    const auto pitch = static_cast<std::size_t>(framed->pitch);
    for (std::uint32_t r = 0; r < frame; ++r) {
        std::memset(StoredRow(framed, r), light, pitch);
        std::memset(StoredRow(framed, framed->height - 1 - r), light, pitch);
    }
    // Within the picture's rows: the left frame, then from the first pixel right of the picture on.
    const std::uint32_t right = frame + innerWidth;
    const std::uint32_t rightByte = right / 8;
    const auto lightFrom = static_cast<std::uint8_t>(0xFFu >> (right % 8));  // pixels right % 8 .. 7
    for (std::uint32_t r = frame; r < framed->height - frame; ++r) {
        std::uint8_t *row = StoredRow(framed, r);
        std::memset(row, light, frameBytes);
        row[rightByte] = static_cast<std::uint8_t>((row[rightByte] & ~lightFrom) | (light & lightFrom));
        if (rightByte + 1 < pitch) std::memset(row + rightByte + 1, light, pitch - rightByte - 1);
    }
}

}  // namespace zr
