// The module placement of every size, ECC 200 and extension sizes, against
// a plain statement of the placement: every module of every shape placed
// one by one through the wrap rules, as ISO/IEC 16022 describes it.
#include <gtest/gtest.h>

#include <vector>

#include "dm/codewords.hpp"
#include "dm/size_table.hpp"

namespace zr::dm {
namespace {

class PlainPlacement {
  public:
    PlainPlacement(int rows, int columns)
        : rows_(rows), columns_(columns), table_(static_cast<std::size_t>(rows * columns), 0) {}

    std::vector<std::int32_t> Run() {
        int codeword = 1, row = 4, column = 0;
        do {
            if (row == rows_ && column == 0) Shape(codeword++, kCorner1);
            if (row == rows_ - 2 && column == 0 && columns_ % 4 != 0) Shape(codeword++, kCorner2);
            if (row == rows_ - 2 && column == 0 && columns_ % 8 == 4) Shape(codeword++, kCorner3);
            if (row == rows_ + 4 && column == 2 && columns_ % 8 == 0) Shape(codeword++, kCorner4);
            do {
                if (row < rows_ && column >= 0 && At(row, column) == 0) Utah(row, column, codeword++);
                row -= 2;
                column += 2;
            } while (row >= 0 && column < columns_);
            row += 1;
            column += 3;
            do {
                if (row >= 0 && column < columns_ && At(row, column) == 0) Utah(row, column, codeword++);
                row += 2;
                column -= 2;
            } while (row < rows_ && column >= 0);
            row += 3;
            column += 1;
        } while (row < rows_ || column < columns_);
        if (At(rows_ - 1, columns_ - 1) == 0) At(rows_ - 1, columns_ - 1) = At(rows_ - 2, columns_ - 2) = 1;
        return table_;
    }

  private:
    // Corner shapes as (row, column) of bits 1 .. 8; negative counts from the far side.
    struct Cell {
        int row, column;
    };
    using CornerShape = Cell[8];
    static constexpr CornerShape kCorner1 = {{-1, 0}, {-1, 1}, {-1, 2}, {0, -2},
                                             {0, -1}, {1, -1}, {2, -1}, {3, -1}};
    static constexpr CornerShape kCorner2 = {{-3, 0}, {-2, 0}, {-1, 0}, {0, -4},
                                             {0, -3}, {0, -2}, {0, -1}, {1, -1}};
    static constexpr CornerShape kCorner3 = {{-3, 0}, {-2, 0}, {-1, 0}, {0, -2},
                                             {0, -1}, {1, -1}, {2, -1}, {3, -1}};
    static constexpr CornerShape kCorner4 = {{-1, 0}, {-1, -1}, {0, -3}, {0, -2},
                                             {0, -1}, {1, -3},  {1, -2}, {1, -1}};

    std::int32_t &At(int row, int column) {
        return table_[static_cast<std::size_t>(row * columns_ + column)];
    }

    void Module(int row, int column, int codeword, int bit) {
        if (row < 0) {
            row += rows_;
            column += 4 - ((rows_ + 4) % 8);
        }
        if (column < 0) {
            column += columns_;
            row += 4 - ((columns_ + 4) % 8);
        }
        if (row >= rows_) row -= rows_;
        if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return;
        At(row, column) = 10 * codeword + bit;
    }

    void Utah(int row, int column, int codeword) {
        const Cell cells[8] = {{-2, -2}, {-2, -1}, {-1, -2}, {-1, -1}, {-1, 0}, {0, -2}, {0, -1}, {0, 0}};
        for (int bit = 1; bit <= 8; ++bit)
            Module(row + cells[bit - 1].row, column + cells[bit - 1].column, codeword, bit);
    }

    void Shape(int codeword, const CornerShape &shape) {
        for (int bit = 1; bit <= 8; ++bit) {
            const Cell c = shape[bit - 1];
            Module(c.row < 0 ? rows_ + c.row : c.row, c.column < 0 ? columns_ + c.column : c.column, codeword,
                   bit);
        }
    }

    int rows_, columns_;
    std::vector<std::int32_t> table_;
};

template <std::size_t N>
void ExpectPlainPlacement(const std::array<DMSize, N> &sizes) {
    for (const DMSize &size : sizes) {
        std::vector<std::int32_t> table(static_cast<std::size_t>(size.mappingRows * size.mappingColumns), -1);
        PlaceModules(table.data(), size.mappingRows, size.mappingColumns);
        ASSERT_EQ(table, PlainPlacement(size.mappingRows, size.mappingColumns).Run())
            << size.rows << " x " << size.columns;
    }
}

TEST(Placement, EverySizeAsThePlainPlacement) {
    ExpectPlainPlacement(kDMSizeTable);
    ExpectPlainPlacement(kDmreSizeTable);
}

}  // namespace
}  // namespace zr::dm
