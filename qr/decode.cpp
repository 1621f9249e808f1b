// One symbol from grid to text.
#include "qr/decode.hpp"

#include "qr/blocks.hpp"
#include "qr/format.hpp"
#include "qr/reed_solomon.hpp"
#include "qr/segments.hpp"

namespace zr::qr {

int SampleModule(const BitImageView &view, const QRCandidate &c, int j, int i, int mask, bool &outside) {
    const geom::PointF p = c.ModuleCentre(j, i);
    outside = !(p.x >= 0 && p.y >= 0 && p.x < view.Width() && p.y < view.Height());
    if (outside) return 0;
    return (DarkAt(view, p.x, p.y) ? 1 : 0) ^ MaskBit(mask, j, i);
}

Outcome DecodeQRSymbol(const BitImageView &view, QRCandidate &c, DecodeWork &work) {
    c.text.Clear();
    BlockLayout layout;
    if (!LookUpBlocks(c.version, c.level, layout)) return Outcome::kCorrectionFailed;
    c.dataCodewords = layout.data;
    c.ecCodewords = layout.ec;
    work.codewords.assign(static_cast<std::size_t>(layout.Total()), 0);
    const std::vector<ModulePosition> &path = work.PathFor(c.version);
    if (path.size() < static_cast<std::size_t>(layout.Total()) * 8) return Outcome::kCorrectionFailed;

    // Codeword k of the symbol's sequence lies on path modules 8k .. 8k + 7.
    // Blocks are sampled and corrected one after another, so the first block
    // that cannot be corrected fails the symbol before the rest is sampled.
    bool outside = false;
    auto sample = [&](int codeword) {
        const std::size_t first = static_cast<std::size_t>(layout.SymbolIndex(codeword)) * 8;
        unsigned value = 0;
        for (std::size_t b = first; b < first + 8; ++b)
            value = (value << 1) | static_cast<unsigned>(
                                       SampleModule(view, c, path[b].column, path[b].row, c.mask, outside));
        work.codewords[static_cast<std::size_t>(codeword)] = static_cast<std::uint8_t>(value);
    };
    int corrected = 0;
    for (int j = 0; j < layout.blocks; ++j) {
        for (int k = layout.DataStart(j); k < layout.DataStart(j + 1); ++k) sample(k);
        for (int k = layout.EcStart(j); k < layout.EcStart(j) + layout.EcPerBlock(); ++k) sample(k);
        const int result = RSCorrectBlock(work.codewords.data(),
                                          static_cast<std::size_t>(layout.DataStart(j)), layout.DataCount(j),
                                          static_cast<std::size_t>(layout.EcStart(j)), layout.EcPerBlock());
        if (result < 0) return Outcome::kCorrectionFailed;
        corrected += result;
    }
    c.confidence = Confidence(corrected, layout.Total());
    return DecodeSegments(work.codewords.data(), static_cast<std::size_t>(layout.data), c.version, c.text,
                          work.modes);
}

}  // namespace zr::qr
