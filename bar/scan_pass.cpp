// One search pass of the linear reader: candidates from the line search are
// analysed, decoded, outlined, stored and erased from the working image.
#include <cmath>
#include <cstring>
#include <new>

#include "bar/pass_state.hpp"

namespace zr::bar {

namespace {

void ResetCandidate(PassState &pass) {
    pass.readings.clear();
    pass.candidate.ResetStatistics();
    pass.candidate.outline = {};
    std::memset(pass.decode.text, 0, sizeof pass.decode.text);
    pass.failures = 0;
}

std::uint16_t StoreResult(PassState &pass) {
    pass.readings.clear();
    ZrBarScanner &scanner = *pass.scanner;
    if (scanner.resultCount >= scanner.maxResults) return ZR_ERR_LIST_FULL;
    const Candidate &cand = pass.candidate;
    const DecodeState &decode = pass.decode;
    ZrBarResult &result = scanner.results[scanner.resultCount];
    std::memset(&result, 0, sizeof result);
    static constexpr int kForward[4] = {0, 1, 2, 3};
    static constexpr int kReversed[4] = {2, 3, 0, 1};
    const int *order = decode.reversed ? kReversed : kForward;
    for (int i = 0; i < 4; ++i) {
        result.corners[2 * i] = cand.outline[order[i]].x;
        result.corners[2 * i + 1] = cand.outline[order[i]].y;
    }
    if (decode.reversed) {
        double angle = std::trunc(cand.angle + 180.0);
        if (angle >= 360.0) angle -= 360.0;
        result.angle = angle;
    } else {
        result.angle = cand.angle;
    }
    result.type = decode.type;
    result.barColor = decode.barColor;
    result.checksum = decode.checksumOk;
    const std::size_t length = strnlen(decode.text, sizeof decode.text - 1);
    if (length == 0) {
        std::memcpy(result.text, "???", 4);
    } else {
        std::memcpy(result.text, decode.text, length);
        result.text[length] = '\0';
    }
    ++scanner.resultCount;
    EraseSymbol(cand.outline, decode.barColor, *pass.image);
    ResetCandidate(pass);
    return 0;
}

std::uint8_t FirstColour(std::uint8_t colours) {
    return (colours & 1) ? 1 : 2;
}

// Tries each possible colour, dark bars first; true when one decodes.
template <class Decode>
bool DecodeInColours(PassState &pass, std::uint8_t colours, Decode &&decode) {
    for (std::uint8_t colour = 1; colour <= 2; ++colour) {
        if (!(colours & colour)) continue;
        DecodeState &state = pass.decode;
        state = DecodeState{};
        state.symbologies = pass.scanner->symbologies;
        state.direction = pass.candidate.direction;
        state.barColor = colour;
        if (Decoded(decode())) return true;
    }
    return false;
}

}  // namespace

void EraseSymbol(const std::array<Point, 4> &outline, std::uint8_t barColor, ZrImage &image) {
    int xMin = outline[0].x, xMax = outline[0].x, yMin = outline[0].y, yMax = outline[0].y;
    for (const Point &p : outline) {
        xMin = std::min(xMin, p.x);
        xMax = std::max(xMax, p.x);
        yMin = std::min(yMin, p.y);
        yMax = std::max(yMax, p.y);
    }
    xMin = std::max(0, xMin);
    yMin = std::max(0, yMin);
    xMax = std::min(static_cast<int>(image.width) - 1, xMax);
    yMax = std::min(static_cast<int>(image.height) - 1, yMax);
    if (xMin > xMax || yMin > yMax) return;
    const bool groundIsSet = (barColor == 1 && image.polarity == 1) || (barColor == 2 && image.polarity == 0);
    const std::uint8_t fill = groundIsSet ? 0xFF : 0x00;
    const int firstByte = xMin >> 3;
    const int bytes = std::min((xMax - xMin) >> 3, image.pitch - firstByte);
    auto *bits = static_cast<std::uint8_t *>(image.bits);
    for (int y = yMin; y <= yMax; ++y) {
        std::uint8_t *row = bits + static_cast<std::ptrdiff_t>(image.height - 1 - y) * image.pitch;
        std::memset(row + firstByte, fill, bytes);
    }
}

// Keeps a set pixel only when at least 3 of its supports are set: its left
// and right neighbours, and for each of the columns x - 1, x, x + 1 the pixel
// above or below. Eight pixels are judged at once with bit-sliced counters.
void BarPrefilter(ZrImage &image) {
    const std::uint32_t width = image.width;
    const std::uint32_t height = image.height;
    if (width == 0 || height < 2 || image.bits == nullptr) return;
    auto *bits = static_cast<std::uint8_t *>(image.bits);
    const std::size_t pitch = static_cast<std::size_t>(image.pitch);
    const std::size_t used = (width + 7) / 8;
    // Pixels outside the picture count as clear: padding bits are masked off.
    const auto lastMask = static_cast<std::uint8_t>(0xFF00u >> (width - 8 * (used - 1)));
    auto masked = [&](const std::uint8_t *row, std::size_t i) -> std::uint32_t {
        if (i >= used) return 0;
        return i + 1 == used ? row[i] & lastMask : row[i];
    };
    std::vector<std::uint8_t> before(used, 0), original(used), after(used);
    for (std::uint32_t r = 0; r + 1 < height; ++r) {
        std::uint8_t *row = bits + r * pitch;
        for (std::size_t i = 0; i < used; ++i) {
            original[i] = static_cast<std::uint8_t>(masked(row, i));
            after[i] = static_cast<std::uint8_t>(masked(row + pitch, i));
        }
        for (std::size_t i = 0; i < used; ++i) {
            const std::uint32_t c = original[i];
            const std::uint32_t cPrev = i > 0 ? original[i - 1] : 0;
            const std::uint32_t cNext = i + 1 < used ? original[i + 1] : 0;
            const std::uint32_t v = before[i] | after[i];
            const std::uint32_t vPrev = i > 0 ? before[i - 1] | after[i - 1] : 0;
            const std::uint32_t vNext = i + 1 < used ? before[i + 1] | after[i + 1] : 0;
            // Bit k of each word is the support of the byte's pixel k (MSB first).
            const std::uint32_t supports[5] = {
                (c >> 1) | (cPrev << 7), (c << 1) | (cNext >> 7),  // left, right
                (v >> 1) | (vPrev << 7), v,
                (v << 1) | (vNext >> 7),
            };
            std::uint32_t b0 = 0, b1 = 0, b2 = 0;
            for (std::uint32_t s : supports) {
                const std::uint32_t carry0 = b0 & s;
                b0 ^= s;
                b2 |= b1 & carry0;
                b1 ^= carry0;
            }
            const std::uint32_t keep = b2 | (b1 & b0);
            const std::uint32_t valid = i + 1 == used ? lastMask : 0xFFu;
            row[i] = static_cast<std::uint8_t>(row[i] & ~(~keep & valid));
        }
        for (std::size_t i = 0; i < used; ++i) before[i] = static_cast<std::uint8_t>(masked(row, i));
    }
}

std::uint16_t ScanPass(ZrImage &image, ZrBarScanner &scanner) {
    PassState pass;
    try {
        pass.readings.reserve(kMaxLineReadings);
        pass.probeScan.widths.reserve(kMaxElements + 1);
        pass.secondScan.widths.reserve(kMaxElements + 1);
        pass.followScan.widths.reserve(kMaxElements + 1);
    } catch (const std::bad_alloc &) {
        return ZR_ERR_NO_MEMORY;
    }
    pass.image = &image;
    pass.scanner = &scanner;
    pass.area = {static_cast<int>(scanner.left), static_cast<int>(scanner.top),
                 static_cast<int>(scanner.left + scanner.rectWidth), static_cast<int>(scanner.top + scanner.rectHeight)};
    StartFamily(pass, (scanner.directions & 3) ? Family::Horizontal : Family::Vertical);
    const int failureLimit = pass.Thorough() ? 5 : 3;

    for (;;) {
        std::uint16_t status = NextCandidate(pass);
        if (status == kPassDone) return 0;
        if (status != 0) {
            pass.candidate.ResetStatistics();
            continue;
        }
        status = AnalyseCandidate(pass);
        if (status == ZR_ERR_NO_MEMORY) return status;
        if (status != 0) {
            pass.readings.clear();
            continue;
        }
        const std::uint8_t colours = pass.candidate.colours & scanner.barColors;
        if (colours == 0) continue;
        if (DecodeInColours(pass, colours, [&] { return DecodeCandidate(pass); })) {
            if (LocateSymbol(pass) != 0) {
                pass.readings.clear();
                continue;
            }
            status = StoreResult(pass);
            if (status != 0) return status;
            continue;
        }
        if (pass.Thorough() && DecodeInColours(pass, colours, [&] { return DecodeAcross(pass); })) {
            if (LocateSymbol(pass) == 0) StoreResult(pass);  // a full list is ignored here
            continue;
        }
        if (pass.ReportUnread()) {
            pass.decode = DecodeState{};
            pass.decode.barColor = FirstColour(colours);
            status = StoreResult(pass);
            if (status != 0) return status;
            continue;
        }
        if (pass.failures >= failureLimit) {
            EraseSymbol(pass.candidate.outline, FirstColour(colours), image);
            pass.failures = 0;
        } else {
            ++pass.failures;
        }
        pass.readings.clear();
    }
}

}  // namespace zr::bar
