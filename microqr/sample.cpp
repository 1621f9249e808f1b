// Sampling the data modules of one rotation through its grid, with the
// mask removed.
#include "microqr/candidate.hpp"

namespace zr::microqr {

bool SampleMicroCodewords(const BitImageView &image, const MicroQRCandidate &c, const ModuleMap &map,
                          Codewords &codewords) {
    codewords.fill(0);
    for (int column = map.size - 1; column >= 0; --column) {
        for (int row = map.size - 1; row >= 0; --row) {
            const std::int32_t code = map.At(column, row);
            if (code < 1) continue;
            const geom::PointF p = ModuleCentre(c, column, row);
            if (!(p.x >= 0 && p.y >= 0 && p.x < image.Width() && p.y < image.Height())) return false;
            const bool dark = image.Dark(static_cast<int>(p.x), static_cast<int>(p.y));
            if (dark != MicroMaskBit(c.mask, column, row)) {
                const std::size_t index = static_cast<std::size_t>(code / 10 - 1);
                if (index < codewords.size())
                    codewords[index] |= static_cast<std::uint8_t>(1u << (code % 10));
            }
        }
    }
    return true;
}

}  // namespace zr::microqr
