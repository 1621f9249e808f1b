// One symbol from grid to text.
#include "qr/decode.hpp"

#include <new>

#include "core/status.hpp"
#include "qr/blocks.hpp"
#include "qr/format.hpp"
#include "qr/qr_status.hpp"
#include "qr/segments.hpp"

namespace zr::qr {

int SampleModule(const BitImageView &view, const QRCandidate &c, int j, int i, int mask, bool &outside) {
    const geom::PointF p = c.ModuleCentre(j, i);
    outside = !(p.x >= 0 && p.y >= 0 && p.x < view.Width() && p.y < view.Height());
    if (outside) return 0;
    return (DarkAt(view, p.x, p.y) ? 1 : 0) ^ MaskBit(mask, j, i);
}

std::uint16_t DecodeQRSymbol(const BitImageView &view, QRCandidate &c, DecodeWork &work) {
    c.text.Clear();
    BlockLayout layout;
    if (!LookUpBlocks(c.version, c.level, layout)) return kCorrectionFailed;
    c.dataCodewords = layout.data;
    c.ecCodewords = layout.ec;
    try {
        work.codewords.assign(static_cast<std::size_t>(layout.Total()), 0);
        InterleaveOrder(work.order, layout);
        PlaceCodewordBits(work.order, c.version, work.map);
    } catch (const std::bad_alloc &) {
        return status::kNoMemory;
    }
    const int n = work.map.Size();
    bool outside = false;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const std::int32_t code = work.map.At(j, i);
            if (code < 1) continue;
            if (SampleModule(view, c, j, i, c.mask, outside))
                work.codewords[static_cast<std::size_t>(code / 10 - 1)] |=
                    static_cast<std::uint8_t>(1u << (code % 10));
        }
    const int corrected = CorrectBlocks(work.codewords, layout);
    if (corrected < 0) return kCorrectionFailed;
    c.confidence = Confidence(corrected, layout.Total());
    return DecodeSegments(work.codewords.data(), static_cast<std::size_t>(layout.data), c.version, c.text);
}

}  // namespace zr::qr
