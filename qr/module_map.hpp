// The module map of a QR Code symbol: function modules, and for every data
// module the codeword and bit it carries; the eight data masks.
#pragma once

#include <cstdint>
#include <vector>

namespace zr::qr {

// N x N codes indexed [column][row]: -1 for a function module, codeword
// number (from 1) x 10 + bit (7 = most significant) for a data module, below
// -1 for a remainder bit.
class ModuleMap {
  public:
    void Reset(int size) {
        size_ = size;
        codes_.assign(static_cast<std::size_t>(size) * static_cast<std::size_t>(size), 0);
    }
    int Size() const { return size_; }
    std::int32_t &At(int column, int row) { return codes_[Index(column, row)]; }
    std::int32_t At(int column, int row) const { return codes_[Index(column, row)]; }

  private:
    std::size_t Index(int column, int row) const {
        return static_cast<std::size_t>(column) * static_cast<std::size_t>(size_) +
               static_cast<std::size_t>(row);
    }
    int size_ = 0;
    std::vector<std::int32_t> codes_;
};

constexpr std::int32_t kFunctionModule = -1;

// 1 when data mask `mask` inverts module (column j, row i); 0 for masks above 7.
int MaskBit(int mask, int j, int i);

// Marks finders, separators, format areas, timing, version areas and alignment patterns.
void MarkFunctionModules(ModuleMap &map, int version);

struct ModulePosition {
    std::uint8_t column, row;
};

// The modules that are not function modules, in the order in which codeword
// bits are placed: two-column strips from the right edge, alternately up and
// down, right module before left. The first 8 x codewords carry codeword
// bits, most significant first; the rest are remainder bits.
void PlacementPath(int version, std::vector<ModulePosition> &path);

// Resets the map for the version and places the codeword bits in `order`
// (codeword numbers in symbol order, ended by -1) along the two-column strips.
void PlaceCodewordBits(const std::vector<int> &order, int version, ModuleMap &map);

}  // namespace zr::qr
