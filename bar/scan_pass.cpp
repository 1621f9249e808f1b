// One search pass of the linear reader: candidates from the line search are
// analysed, decoded, outlined, stored and erased from the working image.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "bar/stages.hpp"

namespace zr::bar {

namespace {

// Fills the next result record; false when the list is full.
bool StoreResult(ZrBarScanner &scanner, const Candidate &cand, const QuadI &outline,
                 const DecodeState &decode) {
    if (scanner.resultCount >= scanner.maxResults) return false;
    ZrBarResult &result = scanner.results[scanner.resultCount];
    std::memset(&result, 0, sizeof result);
    // A symbol read in reverse starts at the other end of its outline.
    const int first = decode.reversed ? 2 : 0;
    std::int32_t *xy = result.corners;
    for (int i = 0; i < QuadI::kCorners; ++i) {
        const Point corner = outline[(first + i) % QuadI::kCorners];
        *xy++ = corner.x;
        *xy++ = corner.y;
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
    return true;
}

std::uint8_t FirstColour(std::uint8_t colours) {
    return (colours & kDarkBars) ? kDarkBars : kLightBars;
}

// Tries each possible colour, dark bars first, with a fresh decode state;
// true when one decodes.
template <class Decode>
bool DecodeInColours(const ZrBarScanner &scanner, const Candidate &cand, std::uint8_t colours,
                     DecodeState &state, Decode &&decode) {
    for (const std::uint8_t colour : {kDarkBars, kLightBars}) {
        if (!(colours & colour)) continue;
        state = DecodeState{};
        state.symbologies = scanner.symbologies;
        state.direction = cand.direction;
        state.barColor = colour;
        if (Decoded(decode(state))) return true;
    }
    return false;
}

}  // namespace

void EraseSymbol(const QuadI &outline, std::uint8_t barColor, ZrImage &image) {
    const BitImageView view(image);
    Point low = outline.topLeft, high = outline.topLeft;
    for (int i = 0; i < QuadI::kCorners; ++i) {
        low = {std::min(low.x, outline[i].x), std::min(low.y, outline[i].y)};
        high = {std::max(high.x, outline[i].x), std::max(high.y, outline[i].y)};
    }
    low = {std::max(0, low.x), std::max(0, low.y)};
    high = {std::min(view.Width() - 1, high.x), std::min(view.Height() - 1, high.y)};
    if (low.x > high.x || low.y > high.y) return;
    // The ground colour as a bit value.
    const bool groundIsSet = (barColor == kDarkBars) != view.SetBitIsDark();
    // Exactly the columns low.x .. high.x: whole bytes between partial ones.
    // Whole bytes from low.x's byte would leave up to 15 pixels of the
    // symbol's end standing, to be found again as a symbol of their own.
    const int firstByte = low.x >> 3, lastByte = high.x >> 3;
    const auto firstMask = static_cast<std::uint8_t>(0xFFu >> (low.x & 7));
    const auto lastMask = static_cast<std::uint8_t>(0xFF00u >> ((high.x & 7) + 1));
    const auto paint = [groundIsSet](std::uint8_t &byte, std::uint8_t mask) {
        byte = static_cast<std::uint8_t>(groundIsSet ? byte | mask : byte & ~mask);
    };
    const std::uint8_t ground = groundIsSet ? 0xFF : 0x00;
    for (int y = low.y; y <= high.y; ++y) {
        std::uint8_t *row = view.MutableRow(y);
        if (firstByte == lastByte) {
            paint(row[firstByte], static_cast<std::uint8_t>(firstMask & lastMask));
            continue;
        }
        paint(row[firstByte], firstMask);
        std::memset(row + firstByte + 1, ground, static_cast<std::size_t>(lastByte - firstByte - 1));
        paint(row[lastByte], lastMask);
    }
}

// Keeps a set pixel only when at least 3 of its supports are set: its left
// and right neighbours, and for each of the columns x - 1, x, x + 1 the pixel
// above or below. Eight pixels are judged at once with bit-sliced counters.
// Rows are filtered in storage order, from the bottom of the picture up, so
// the row below is already filtered when a row is judged.
void BarPrefilter(ZrImage &image) {
    const BitImageView view(image);
    if (view.Width() <= 0 || view.Height() < 2 || image.bits == nullptr) return;
    const auto width = static_cast<std::size_t>(view.Width());
    const std::size_t used = (width + 7) / 8;
    // Pixels outside the picture count as clear: padding bits are masked off.
    const auto lastMask = static_cast<std::uint8_t>(0xFF00u >> (width - 8 * (used - 1)));
    auto masked = [&](const std::uint8_t *row, std::size_t i) -> std::uint32_t {
        if (i >= used) return 0;
        return i + 1 == used ? row[i] & lastMask : row[i];
    };
    std::vector<std::uint8_t> before(used, 0), original(used), after(used);
    for (int y = view.Height() - 1; y > 0; --y) {
        std::uint8_t *row = view.MutableRow(y);
        const std::uint8_t *above = view.Row(y - 1);
        for (std::size_t i = 0; i < used; ++i) {
            original[i] = static_cast<std::uint8_t>(masked(row, i));
            after[i] = static_cast<std::uint8_t>(masked(above, i));
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

PassEnd ScanPass(ZrImage &image, ZrBarScanner &scanner, int *unread, std::vector<Rect> *unreadAreas) {
    const Picture picture{BitImageView(image),
                          {static_cast<int>(scanner.left), static_cast<int>(scanner.top),
                           static_cast<int>(scanner.left + scanner.rectWidth),
                           static_cast<int>(scanner.top + scanner.rectHeight)}};
    LineSearch search(picture, scanner.directions);
    DecodeWork work;
    DecodeState decode;
    const bool thorough = (scanner.extraFlags & ZR_BAR_THOROUGH) != 0;
    const bool reportUnread = (scanner.extraFlags & ZR_BAR_REPORT_UNREAD) != 0;
    const int failureLimit = thorough ? 5 : 3;
    int failures = 0;      // undecoded candidates since the last stored or erased symbol
    bool dropped = false;  // a symbol read across was left out of a full list
    const auto erase = [&](const QuadI &outline, std::uint8_t barColor) {
        EraseSymbol(outline, barColor, image);
        search.NoteErased(outline);  // an erased light-bar symbol leaves dark pixels
    };

    while (!search.Done()) {
        const std::optional<Candidate> cand = NextCandidate(search);
        if (!cand) continue;
        const std::optional<Extent> extent = AnalyseCandidate(picture, *cand, scanner.barColors);
        if (!extent) continue;
        const std::uint8_t colours = extent->colours & scanner.barColors;
        if (colours == 0) continue;

        const auto decodeLines = [&](DecodeState &state) {
            return DecodeCandidate(picture, *cand, *extent, state, work);
        };
        // A read whose outline does not confirm it counts as no read.
        if (DecodeInColours(scanner, *cand, colours, decode, decodeLines)) {
            const std::optional<QuadI> outline = LocateSymbol(picture, *cand, *extent, decode.barColor);
            if (!outline) continue;
            if (ReadConfirmed(decode, *outline)) {
                if (!StoreResult(scanner, *cand, *outline, decode)) return PassEnd::ListFull;
                erase(*outline, decode.barColor);
                failures = 0;
                continue;
            }
        }
        const auto decodeAcross = [&](DecodeState &state) {
            return DecodeAcross(picture, *cand, extent->outline, state, work);
        };
        if (thorough && DecodeInColours(scanner, *cand, colours, decode, decodeAcross)) {
            const std::optional<QuadI> outline = LocateSymbol(picture, *cand, *extent, decode.barColor);
            // A full list does not end the pass here, but the pass reports it.
            if (!outline) continue;
            if (ReadConfirmed(decode, *outline)) {
                if (!StoreResult(scanner, *cand, *outline, decode)) {
                    dropped = true;
                    continue;
                }
                erase(*outline, decode.barColor);
                failures = 0;
                continue;
            }
        }
        if (unread != nullptr) ++*unread;
        if (unreadAreas != nullptr) {
            const QuadI &q = extent->outline;
            Rect box{q[0].x, q[0].y, q[0].x + 1, q[0].y + 1};
            for (int k = 1; k < QuadI::kCorners; ++k)
                box = {std::min(box.x0, q[k].x), std::min(box.y0, q[k].y), std::max(box.x1, q[k].x + 1),
                       std::max(box.y1, q[k].y + 1)};
            unreadAreas->push_back(box);
        }
        if (reportUnread) {
            decode = DecodeState{};
            decode.barColor = FirstColour(colours);
            if (!StoreResult(scanner, *cand, extent->outline, decode)) return PassEnd::ListFull;
            erase(extent->outline, decode.barColor);
            failures = 0;
            continue;
        }
        if (failures >= failureLimit) {
            erase(extent->outline, FirstColour(colours));
            failures = 0;
        } else {
            ++failures;
        }
    }
    return dropped ? PassEnd::ListFull : PassEnd::Searched;
}

}  // namespace zr::bar
