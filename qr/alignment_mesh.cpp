// The alignment mesh: every alignment pattern found, one map per cell.
#include "qr/alignment_mesh.hpp"

#include <algorithm>
#include <optional>

#include "qr/alignment_table.hpp"
#include "qr/perspective_grid.hpp"

namespace zr::qr {
namespace {

constexpr int kFirstVersionWithMesh = 7;
constexpr double kBlockToCentre = 2.5;  // from a block's first module to its centre point

}  // namespace

bool AlignmentMesh::Build(const BitImageView &view, const geom::Perspective &grid, int version) {
    found_ = 0;
    if (version < kFirstVersionWithMesh || version > static_cast<int>(kAlignment.size())) return false;
    const AlignmentRow &row = kAlignment[static_cast<std::size_t>(version - 1)];
    count_ = std::min<std::size_t>(row.count, kMaxCentres);
    if (count_ < 2) return false;
    for (std::size_t k = 0; k < count_; ++k) centres_[k] = row.starts[k] + kBlockToCentre;

    // Pixel centres, found in order so that each search starts from where
    // its neighbours above and to the left moved.
    std::array<std::array<geom::PointF, kMaxCentres>, kMaxCentres> pixel{};
    std::array<std::array<geom::PointF, kMaxCentres>, kMaxCentres> moved{};
    const std::size_t last = count_ - 1;
    for (std::size_t j = 0; j < count_; ++j)
        for (std::size_t i = 0; i < count_; ++i) {
            const geom::PointF module{centres_[i], centres_[j]};
            const bool underFinder = (i == 0 && j == 0) || (i == last && j == 0) || (i == 0 && j == last);
            geom::PointF expected{};
            int neighbours = 0;
            if (i > 0) expected += moved[j][i - 1], ++neighbours;
            if (j > 0) expected += moved[j - 1][i], ++neighbours;
            if (neighbours > 0) expected = expected * (1.0 / neighbours);
            std::optional<geom::PointF> found;
            if (!underFinder) found = FindAlignmentNear(view, grid, module, expected);
            pixel[j][i] = found ? *found : grid.Map(module) + (underFinder ? geom::PointF{} : expected);
            moved[j][i] = pixel[j][i] - grid.Map(module);
            found_ += found ? 1 : 0;
        }
    for (std::size_t j = 0; j + 1 < count_; ++j)
        for (std::size_t i = 0; i + 1 < count_; ++i) {
            const geom::QuadF modules{{centres_[i], centres_[j]},
                                      {centres_[i + 1], centres_[j]},
                                      {centres_[i + 1], centres_[j + 1]},
                                      {centres_[i], centres_[j + 1]}};
            const geom::QuadF pixels{pixel[j][i], pixel[j][i + 1], pixel[j + 1][i + 1], pixel[j + 1][i]};
            const std::optional<geom::Perspective> map = geom::Perspective::QuadToQuad(modules, pixels);
            if (!map) return false;
            cells_[j][i] = *map;
        }
    return true;
}

geom::PointF AlignmentMesh::Map(geom::PointF module) const {
    const auto cellOf = [this](double coordinate) {
        std::size_t cell = 0;
        while (cell + 2 < count_ && coordinate >= centres_[cell + 1]) ++cell;
        return cell;
    };
    return cells_[cellOf(module.y)][cellOf(module.x)].Map(module);
}

}  // namespace zr::qr
