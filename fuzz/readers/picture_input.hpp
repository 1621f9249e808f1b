// Shared by the reader fuzz targets and their seed writer: how an input's
// bytes become a packed DIB and a scanner's options.
//
// An input is a prefix of kPrefixSize bytes, then either the pixel rows (the
// header is built from the prefix) or, for depth code 3, a 40-byte header as
// given followed by the palette and rows. The block handed to a reader always
// holds every byte its header promises, so that a read past it is the reader's
// fault; headers promising more than kMaxPixels pixels are not tried.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace zr_fuzz {

constexpr std::size_t kPrefixSize = 22;
constexpr std::size_t kHeaderSize = 40;
constexpr std::uint32_t kMaxBuiltPixels = 1u << 16;  // pictures built from the prefix
constexpr std::uint64_t kMaxPixels = 1u << 18;       // pictures with a header as given

// Prefix fields.
enum Flag : std::uint8_t {
    kDepthMask = 3,         // 0: 1 bit, 1: 8 bits, 2: 24 bits, 3: header as given
    kPaletteVariant = 4,    // 1 bit: bit 1 dark; 8 bits: inverted grey ramp
    kWriteSizeImage = 8,    // biSizeImage filled in (else 0)
    kUseRectangle = 16,     // rectangle fields from the prefix (else the whole picture)
    kHeaderLie = 32,        // one header field spoiled as the lie byte says
    kScanTwice = 64,        // a second scan without freeing must give the same answer
    kTopDownPalette0 = 128  // 1 bit: palette entry 0 grey instead of black or white
};

struct ScanOptions {
    std::uint8_t a = 0, b = 0, c = 0;  // reader option bytes (scanFlags or barColors, directions, extraFlags)
    std::uint8_t maxResults = 0;
    std::uint32_t symbologies = 0;
    bool useRectangle = false;
    std::uint32_t left = 0, top = 0, width = 0, height = 0;
    bool scanTwice = false;
};

struct Picture {
    std::vector<std::uint8_t> dib;  // exactly the bytes handed over
    ScanOptions options;
};

inline std::uint16_t Get16(const std::uint8_t *p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Get32(const std::uint8_t *p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}
inline void Put32(std::uint8_t *p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void Put16(std::uint8_t *p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

// A rectangle field: 0xFFFF stands for the largest 32-bit value, so that sums overflow.
inline std::uint32_t RectField(const std::uint8_t *p) {
    const std::uint16_t v = Get16(p);
    return v == 0xFFFF ? 0xFFFFFFFFu : v;
}

inline std::uint64_t RowPitch(std::uint64_t width, std::uint32_t bits) {
    return (width * bits + 31) / 32 * 4;
}
inline std::uint32_t PaletteBytes(std::uint32_t bits) {
    return bits == 1 ? 8 : bits == 8 ? 1024 : 0;
}

// Prefix layout, byte offsets.
enum Offset : std::size_t {
    kFlags = 0,
    kWidth = 1,   // u16, 1 + value % 1024 (built header)
    kHeight = 3,  // u16, likewise; the height shrinks until width x height <= kMaxBuiltPixels
    kOptionA = 5,
    kOptionB = 6,
    kOptionC = 7,
    kMaxResults = 8,
    kSymbologies = 9,  // u32
    kLeft = 13,        // four u16 rectangle fields
    kLie = 21          // which header field kHeaderLie spoils
};

// False for inputs too short or promising too much.
inline bool BuildPicture(const std::uint8_t *data, std::size_t size, Picture &out) {
    if (size < kPrefixSize) return false;
    const std::uint8_t flags = data[kFlags];
    ScanOptions &o = out.options;
    o.a = data[kOptionA];
    o.b = data[kOptionB];
    o.c = data[kOptionC];
    o.maxResults = data[kMaxResults];
    o.symbologies = Get32(data + kSymbologies);
    o.useRectangle = (flags & kUseRectangle) != 0;
    o.left = RectField(data + kLeft);
    o.top = RectField(data + kLeft + 2);
    o.width = RectField(data + kLeft + 4);
    o.height = RectField(data + kLeft + 6);
    o.scanTwice = (flags & kScanTwice) != 0;
    const std::uint8_t *rest = data + kPrefixSize;
    std::size_t restSize = size - kPrefixSize;

    if ((flags & kDepthMask) == 3) {
        // Header as given: hand over the header and the rest, grown to what the
        // header promises when it describes a picture the readers might take.
        if (restSize < kHeaderSize) return false;
        const std::int32_t width = static_cast<std::int32_t>(Get32(rest + 4));
        const std::int32_t height = static_cast<std::int32_t>(Get32(rest + 8));
        const std::uint32_t bits = Get16(rest + 14);
        std::size_t promised = restSize;
        if ((bits == 1 || bits == 8 || bits == 24) && width > 0 && height > 0) {
            if (std::uint64_t(width) * std::uint64_t(height) > kMaxPixels) return false;
            const std::uint64_t need = kHeaderSize + PaletteBytes(bits) +
                                       RowPitch(std::uint64_t(width), bits) * std::uint64_t(height);
            if (need > promised) promised = static_cast<std::size_t>(need);
        }
        out.dib.assign(promised, 0xFF);
        std::memcpy(out.dib.data(), rest, restSize);
        return true;
    }

    static constexpr std::uint32_t kDepths[3] = {1, 8, 24};
    const std::uint32_t bits = kDepths[flags & kDepthMask];
    const std::uint32_t width = 1u + Get16(data + kWidth) % 1024u;
    std::uint32_t height = 1u + Get16(data + kHeight) % 1024u;
    if (width * height > kMaxBuiltPixels) height = kMaxBuiltPixels / width;
    const std::uint32_t pitch = static_cast<std::uint32_t>(RowPitch(width, bits));
    const std::uint32_t paletteBytes = PaletteBytes(bits);
    const std::uint32_t imageBytes = pitch * height;
    out.dib.assign(kHeaderSize + paletteBytes + imageBytes, 0xFF);
    std::uint8_t *h = out.dib.data();
    Put32(h, kHeaderSize);
    Put32(h + 4, width);
    Put32(h + 8, height);
    Put16(h + 12, 1);
    Put16(h + 14, static_cast<std::uint16_t>(bits));
    Put32(h + 16, 0);  // uncompressed
    Put32(h + 20, (flags & kWriteSizeImage) ? imageBytes : 0);
    Put32(h + 24, 7874);  // 200 dpi
    Put32(h + 28, 7874);
    Put32(h + 32, paletteBytes / 4);
    Put32(h + 36, 0);
    std::uint8_t *palette = h + kHeaderSize;
    if (bits == 1) {
        const bool darkIsOne = (flags & kPaletteVariant) != 0;
        const std::uint8_t first = (flags & kTopDownPalette0) ? 128 : darkIsOne ? 255 : 0;
        std::memset(palette, first, 4);
        std::memset(palette + 4, darkIsOne ? 0 : 255, 4);
    } else if (bits == 8) {
        for (std::uint32_t i = 0; i < 256; ++i) {
            const auto grey = static_cast<std::uint8_t>((flags & kPaletteVariant) ? 255 - i : i);
            palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = grey;
            palette[4 * i + 3] = 0;
        }
    }
    if (restSize > imageBytes) restSize = imageBytes;
    std::memcpy(palette + paletteBytes, rest, restSize);

    if (flags & kHeaderLie) {
        // Spoiled headers promise no more than the block holds.
        switch (data[kLie] % 9) {
            case 0:
                Put32(h + 20, imageBytes + 1);
                break;
            case 1:
                Put32(h + 20, imageBytes - pitch);
                break;
            case 2:
                Put32(h + 32, 1);
                break;
            case 3:
                Put16(h + 12, 0);
                break;
            case 4:
                Put32(h + 16, 1);
                break;
            case 5:
                Put32(h + 8, static_cast<std::uint32_t>(-static_cast<std::int32_t>(height)));
                break;
            case 6:
                Put32(h + 4, static_cast<std::uint32_t>(-static_cast<std::int32_t>(width)));
                break;
            case 7:
                Put16(h + 14, bits == 24 ? 32 : 4);
                break;
            default:
                Put32(h, 12);
                break;
        }
    }
    return true;
}

// The prefix for a built picture of the given size and depth (the seed writer's side).
inline std::vector<std::uint8_t> BuiltPrefix(std::uint32_t width, std::uint32_t height, std::uint32_t bits,
                                             std::uint8_t extraFlags, const ScanOptions &o) {
    std::vector<std::uint8_t> p(kPrefixSize, 0);
    p[kFlags] = static_cast<std::uint8_t>((bits == 1 ? 0 : bits == 8 ? 1 : 2) | extraFlags);
    Put16(&p[kWidth], static_cast<std::uint16_t>(width - 1));
    Put16(&p[kHeight], static_cast<std::uint16_t>(height - 1));
    p[kOptionA] = o.a;
    p[kOptionB] = o.b;
    p[kOptionC] = o.c;
    p[kMaxResults] = o.maxResults;
    Put32(&p[kSymbologies], o.symbologies);
    Put16(&p[kLeft], static_cast<std::uint16_t>(o.left));
    Put16(&p[kLeft + 2], static_cast<std::uint16_t>(o.top));
    Put16(&p[kLeft + 4], static_cast<std::uint16_t>(o.width));
    Put16(&p[kLeft + 6], static_cast<std::uint16_t>(o.height));
    return p;
}

}  // namespace zr_fuzz
