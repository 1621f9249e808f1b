// ECC 200 module placement: eight-module shapes along diagonal sweeps, the four
// corner shapes and the wrap rules, then reading the codewords back.
#include <algorithm>

#include "dm/codewords.hpp"

namespace zr::dm {
namespace {

class Placement {
  public:
    Placement(std::int32_t *table, int rows, int columns) : table_(table), rows_(rows), columns_(columns) {}

    void Run() {
        int codeword = 1, row = 4, column = 0;
        do {
            if (row == rows_ && column == 0) Corner1(codeword++);
            if (row == rows_ - 2 && column == 0 && columns_ % 4 != 0) Corner2(codeword++);
            if (row == rows_ - 2 && column == 0 && columns_ % 8 == 4) Corner3(codeword++);
            if (row == rows_ + 4 && column == 2 && columns_ % 8 == 0) Corner4(codeword++);
            // Sweep up and to the right.
            do {
                if (row < rows_ && column >= 0 && At(row, column) == 0) Utah(row, column, codeword++);
                row -= 2;
                column += 2;
            } while (row >= 0 && column < columns_);
            row += 1;
            column += 3;
            // Sweep down and to the left.
            do {
                if (row >= 0 && column < columns_ && At(row, column) == 0) Utah(row, column, codeword++);
                row += 2;
                column -= 2;
            } while (row < rows_ && column >= 0);
            row += 3;
            column += 1;
        } while (row < rows_ || column < columns_);
        // Sizes whose codewords leave the lower-right corner free fill it
        // with a fixed pattern.
        if (At(rows_ - 1, columns_ - 1) == 0) {
            At(rows_ - 1, columns_ - 1) = 1;
            At(rows_ - 2, columns_ - 2) = 1;
        }
    }

  private:
    std::int32_t &At(int row, int column) { return table_[row * columns_ + column]; }

    void Module(int row, int column, int codeword, int bit) {
        if (row < 0) {
            row += rows_;
            column += 4 - ((rows_ + 4) % 8);
        }
        if (column < 0) {
            column += columns_;
            row += 4 - ((columns_ + 4) % 8);
        }
        // A shape wrapped from the left edge can land below the last row in
        // some extension sizes (26 x 40, 26 x 48); it continues at the top, as
        // ISO/IEC 21471 places it. No ECC 200 size reaches this.
        if (row >= rows_) row -= rows_;
        if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return;
        At(row, column) = 10 * codeword + bit;
    }

    // The standard shape: its bit 8 sits at (row, column). A shape wholly
    // inside the matrix needs none of Module's wrap rules, which leave such
    // modules where they are.
    void Utah(int row, int column, int codeword) {
        if (row >= 2 && column >= 2 && row < rows_ && column < columns_) {
            std::int32_t *above = &At(row - 2, column - 2), *middle = above + columns_,
                         *own = middle + columns_;
            const std::int32_t base = 10 * codeword;
            above[0] = base + 1;
            above[1] = base + 2;
            middle[0] = base + 3;
            middle[1] = base + 4;
            middle[2] = base + 5;
            own[0] = base + 6;
            own[1] = base + 7;
            own[2] = base + 8;
            return;
        }
        Module(row - 2, column - 2, codeword, 1);
        Module(row - 2, column - 1, codeword, 2);
        Module(row - 1, column - 2, codeword, 3);
        Module(row - 1, column - 1, codeword, 4);
        Module(row - 1, column, codeword, 5);
        Module(row, column - 2, codeword, 6);
        Module(row, column - 1, codeword, 7);
        Module(row, column, codeword, 8);
    }

    void Corner1(int codeword) {
        Module(rows_ - 1, 0, codeword, 1);
        Module(rows_ - 1, 1, codeword, 2);
        Module(rows_ - 1, 2, codeword, 3);
        Module(0, columns_ - 2, codeword, 4);
        Module(0, columns_ - 1, codeword, 5);
        Module(1, columns_ - 1, codeword, 6);
        Module(2, columns_ - 1, codeword, 7);
        Module(3, columns_ - 1, codeword, 8);
    }

    void Corner2(int codeword) {
        Module(rows_ - 3, 0, codeword, 1);
        Module(rows_ - 2, 0, codeword, 2);
        Module(rows_ - 1, 0, codeword, 3);
        Module(0, columns_ - 4, codeword, 4);
        Module(0, columns_ - 3, codeword, 5);
        Module(0, columns_ - 2, codeword, 6);
        Module(0, columns_ - 1, codeword, 7);
        Module(1, columns_ - 1, codeword, 8);
    }

    void Corner3(int codeword) {
        Module(rows_ - 3, 0, codeword, 1);
        Module(rows_ - 2, 0, codeword, 2);
        Module(rows_ - 1, 0, codeword, 3);
        Module(0, columns_ - 2, codeword, 4);
        Module(0, columns_ - 1, codeword, 5);
        Module(1, columns_ - 1, codeword, 6);
        Module(2, columns_ - 1, codeword, 7);
        Module(3, columns_ - 1, codeword, 8);
    }

    void Corner4(int codeword) {
        Module(rows_ - 1, 0, codeword, 1);
        Module(rows_ - 1, columns_ - 1, codeword, 2);
        Module(0, columns_ - 3, codeword, 3);
        Module(0, columns_ - 2, codeword, 4);
        Module(0, columns_ - 1, codeword, 5);
        Module(1, columns_ - 3, codeword, 6);
        Module(1, columns_ - 2, codeword, 7);
        Module(1, columns_ - 1, codeword, 8);
    }

    std::int32_t *table_;
    int rows_;
    int columns_;
};

}  // namespace

void PlaceModules(std::int32_t *table, int mappingRows, int mappingColumns) {
    if (table == nullptr || mappingRows < 6 || mappingColumns < 6) return;
    std::fill_n(table, mappingRows * mappingColumns, 0);
    Placement(table, mappingRows, mappingColumns).Run();
}

void ExtractCodewords(const std::uint8_t *matrix, std::int32_t *table, std::int32_t *codewords,
                      int mappingColumns, int mappingRows) {
    PlaceModules(table, mappingRows, mappingColumns);
    ReadPlacedCodewords(matrix, table, codewords, mappingColumns, mappingRows);
}

void ReadPlacedCodewords(const std::uint8_t *matrix, const std::int32_t *table, std::int32_t *codewords,
                         int mappingColumns, int mappingRows) {
    const int modules = mappingRows * mappingColumns;
    std::fill_n(codewords, modules / 8 + 1, 0);
    for (int i = 0; i < modules; ++i) {
        const std::int32_t e = table[i];
        if (e <= 1 || matrix[i] == 0) continue;
        codewords[e / 10 - 1] |= 128 >> (e % 10 - 1);
    }
}

}  // namespace zr::dm
