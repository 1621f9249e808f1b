// Border misses through a perspective map, with the map's products with each
// row's and column's centre computed once per call rather than per module.
#include "dm/border_misses.hpp"

#include <array>
#include <cstddef>
#include <optional>

#include "core/geom/perspective.hpp"

namespace zr::dm {
namespace {

// Most modules along a side (144 x 144, 8 x 144).
constexpr int kMaxModulesAcross = 144;

// A module centre's products with the map's first or second row of
// coefficients (the x, y and w terms).
struct Products {
    double x = 0, y = 0, w = 0;
};

// Samples module centres through one map. The map computes
// X = (m00 u + m10 v) + m20 (and Y, W alike); the products m00 u and m10 v
// here are the same doubles, added in the same order, so every module lands
// on the pixel the map itself gives.
class ModuleProbe {
  public:
    ModuleProbe(const BitImageView &view, const geom::Perspective &map, const DMSize &size)
        : view_(view), m_(map.Coefficients()), size_(size) {}

    Products Column(int column) const {
        const double u = (column + 0.5) / size_.columns;
        return {m_[0][0] * u, m_[0][1] * u, m_[0][2] * u};
    }
    Products Row(int row) const {
        const double v = (row + 0.5) / size_.rows;
        return {m_[1][0] * v, m_[1][1] * v, m_[1][2] * v};
    }
    bool Dark(const Products &column, const Products &row) const {
        const double w = column.w + row.w + m_[2][2];
        return view_.DarkOrOutside(
            geom::PointF{(column.x + row.x + m_[2][0]) / w, (column.y + row.y + m_[2][1]) / w});
    }

  private:
    const BitImageView &view_;
    const geom::Perspective::Matrix &m_;
    const DMSize &size_;
};

}  // namespace

int BorderModuleCount(const DMSize &size) {
    const int regions = (size.rows / size.regionRows) * (size.columns / size.regionColumns);
    return regions * (2 * (size.regionRows + size.regionColumns) - 4);
}

bool BorderModule(int row, int column, int regionRows, int regionColumns, bool &dark) {
    if (column == 0 || row == regionRows - 1) {
        dark = true;  // finder
        return true;
    }
    if (row == 0) {
        dark = column % 2 == 0;  // timing along the top
        return true;
    }
    if (column == regionColumns - 1) {
        dark = (regionRows - 1 - row) % 2 == 0;  // timing down the right
        return true;
    }
    return false;
}

int BorderMisses(const BitImageView &view, const geom::QuadF &outer, const DMSize &size, int budget,
                 bool dottedOnly) {
    const std::optional<geom::Perspective> map = geom::Perspective::SquareToQuad(outer);
    if (!map || size.rows > kMaxModulesAcross || size.columns > kMaxModulesAcross)
        return BorderModuleCount(size);
    const ModuleProbe probe(view, *map, size);
    const int regionRows = size.regionRows, regionColumns = size.regionColumns;
    // Each column's products, taken as the top row, which is all border, first meets the column: a call that
    // stops early computes none it does not sample.
    std::array<Products, kMaxModulesAcross> columns;
    Products row = probe.Row(0);
    int misses = 0;
    // Whether the module in `column` of the current row, region row and column given, is a border module
    // sampled wrong.
    const auto miss = [&](int column, int regionRow, int regionColumn) {
        bool dark = false;
        if (!BorderModule(regionRow, regionColumn, regionRows, regionColumns, dark)) return false;
        return probe.Dark(columns[static_cast<std::size_t>(column)], row) != dark;
    };
    for (int column = 0, regionColumn = 0; column < size.columns; ++column) {
        columns[static_cast<std::size_t>(column)] = probe.Column(column);
        if (miss(column, 0, regionColumn) && ++misses > budget) return misses;
        if (++regionColumn == regionColumns) regionColumn = 0;
    }
    if (dottedOnly) {
        for (int r = 1, regionRow = 1 % regionRows; r < size.rows; ++r) {
            row = probe.Row(r);
            if (miss(size.columns - 1, regionRow, regionColumns - 1) && ++misses > budget) return misses;
            if (++regionRow == regionRows) regionRow = 0;
        }
        return misses;
    }
    for (int r = 1, regionRow = 1 % regionRows; r < size.rows; ++r) {
        row = probe.Row(r);
        if (regionRow == 0 || regionRow == regionRows - 1) {
            // A region's top or bottom row: every module is border.
            for (int column = 0, regionColumn = 0; column < size.columns; ++column) {
                if (miss(column, regionRow, regionColumn) && ++misses > budget) return misses;
                if (++regionColumn == regionColumns) regionColumn = 0;
            }
        } else {
            // Inside a band only each region's first and last columns are border.
            for (int first = 0; first < size.columns; first += regionColumns) {
                if (miss(first, regionRow, 0) && ++misses > budget) return misses;
                if (miss(first + regionColumns - 1, regionRow, regionColumns - 1) && ++misses > budget)
                    return misses;
            }
        }
        if (++regionRow == regionRows) regionRow = 0;
    }
    return misses;
}

}  // namespace zr::dm
