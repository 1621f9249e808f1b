// The mapping matrix of a size: its regions located on a lattice over the
// symbol, the boundaries between regions refined, each region sampled.
#include <array>
#include <cmath>

#include "dm/grid.hpp"

namespace zr::dm {
namespace {

constexpr int kMaxRegionsAcross = 6;
constexpr std::size_t kLatticeSide = kMaxRegionsAcross + 1;

// (down + 1) x (across + 1) region corners, band by band from the top.
class Lattice {
  public:
    Lattice(const QuadF &p, int down, int across) : down_(down), across_(across) {
        for (int i = 0; i <= down; ++i)
            for (int j = 0; j <= across; ++j)
                At(i, j) = QuadPoint(p, static_cast<double>(j) / across, static_cast<double>(i) / down);
    }
    PointF &At(int band, int cell) {
        return points_[static_cast<std::size_t>(band) * kLatticeSide + static_cast<std::size_t>(cell)];
    }
    QuadF Region(int band, int cell) {
        return {At(band, cell), At(band, cell + 1), At(band + 1, cell + 1), At(band + 1, cell)};
    }
    int Down() const { return down_; }
    int Across() const { return across_; }

  private:
    std::array<PointF, kLatticeSide * kLatticeSide> points_{};
    int down_;
    int across_;
};

int Reach(PointF a, PointF b, int modules) {
    return static_cast<int>(std::trunc(0.5 * geom::Distance(a, b) / modules + 0.5));
}

// Moves the ends of every interior boundary line onto the pixels where the
// regions meet. Interior lattice points keep their places, except the centre
// of a 2 x 2 layout, which becomes the mean of the four refined ends.
void RefineBoundaries(const BitImageView &image, const QuadF &p, const DMSize &size, Lattice &lattice) {
    const double columnAngle =
        MeanAngle(LineAngle(p.topLeft, p.topRight), LineAngle(p.bottomLeft, p.bottomRight));
    const double rowAngle =
        MeanAngle(LineAngle(p.topLeft, p.bottomLeft), LineAngle(p.topRight, p.bottomRight));
    const double reversedRowAngle = std::fmod(rowAngle + 180, 360.0);
    Steps columnSteps{}, rowSteps{}, reversedRowSteps{};
    StepPattern(columnAngle, columnSteps);
    StepPattern(rowAngle, rowSteps);
    StepPattern(reversedRowAngle, reversedRowSteps);
    const int down = lattice.Down(), across = lattice.Across();

    // Lines between columns of regions run along the rows and move along the columns.
    for (int j = 1; j < across; ++j) {
        PointF &a = lattice.At(0, j);
        PointF &b = lattice.At(down, j);
        RefineBoundaryLine(image, a, b, rowSteps, columnSteps, Reach(a, b, size.regionRows));
    }
    // Lines between bands run along the columns and move up the rows.
    for (int i = 1; i < down; ++i) {
        PointF &a = lattice.At(i, 0);
        PointF &b = lattice.At(i, across);
        RefineBoundaryLine(image, a, b, columnSteps, reversedRowSteps, Reach(a, b, size.regionColumns));
    }
    if (down == 2 && across == 2) {
        lattice.At(1, 1) = 0.25 * (lattice.At(0, 1) + lattice.At(2, 1) + lattice.At(1, 0) + lattice.At(1, 2));
    }
}

}  // namespace

bool SampleMappingMatrix(const BitImageView &image, const QuadF &p, const DMSize &size, std::uint8_t *matrix,
                         bool refine) {
    const int down = size.rows / size.regionRows, across = size.columns / size.regionColumns;
    if (down < 1 || across < 1 || down > kMaxRegionsAcross || across > kMaxRegionsAcross) return false;
    Lattice lattice(p, down, across);
    if (refine && down * across > 1) RefineBoundaries(image, p, size, lattice);
    const int dataRows = size.regionRows - 2, dataColumns = size.regionColumns - 2;
    for (int band = 0; band < down; ++band) {
        for (int cell = 0; cell < across; ++cell) {
            const QuadF q = ModuleCentres(lattice.Region(band, cell), size.regionColumns, size.regionRows);
            std::uint8_t *out = matrix + static_cast<std::ptrdiff_t>(band) * dataRows * size.mappingColumns +
                                static_cast<std::ptrdiff_t>(cell) * dataColumns;
            if (!SampleRegion(image, q, size.regionColumns, size.regionRows, out, size.mappingColumns))
                return false;
        }
    }
    return true;
}

}  // namespace zr::dm
