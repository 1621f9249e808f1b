// Function modules and codeword placement of QR Code symbols.
#include "qr/module_map.hpp"

#include "qr/alignment_table.hpp"

namespace zr::qr {

int MaskBit(int mask, int j, int i) {
    switch (mask) {
        case 0:
            return (i + j) % 2 == 0;
        case 1:
            return i % 2 == 0;
        case 2:
            return j % 3 == 0;
        case 3:
            return (i + j) % 3 == 0;
        case 4:
            return (i / 2 + j / 3) % 2 == 0;
        case 5:
            return (i * j) % 2 + (i * j) % 3 == 0;
        case 6:
            return ((i * j) % 2 + (i * j) % 3) % 2 == 0;
        case 7:
            return ((i + j) % 2 + (i * j) % 3) % 2 == 0;
        default:
            return 0;
    }
}

namespace {

void MarkBlock(ModuleMap &map, int column0, int row0, int columns, int rows) {
    for (int c = column0; c < column0 + columns; ++c)
        for (int r = row0; r < row0 + rows; ++r)
            if (c >= 0 && r >= 0 && c < map.Size() && r < map.Size()) map.At(c, r) = kFunctionModule;
}

}  // namespace

void MarkFunctionModules(ModuleMap &map, int version) {
    const int n = map.Size();
    MarkBlock(map, 0, 0, 9, 9);
    MarkBlock(map, n - 8, 0, 8, 9);
    MarkBlock(map, 0, n - 8, 9, 8);
    MarkBlock(map, 0, 6, n, 1);
    MarkBlock(map, 6, 0, 1, n);
    if (version >= 7) {
        MarkBlock(map, n - 11, 0, 3, 6);
        MarkBlock(map, 0, n - 11, 6, 3);
    }
    if (version < 2 || version > 40) return;
    const AlignmentRow &row = kAlignment[static_cast<std::size_t>(version - 1)];
    if (version < 7) {
        MarkBlock(map, row.starts[0], row.starts[0], 5, 5);
        return;
    }
    const int last = row.count - 1;
    for (int a = 0; a < row.count; ++a)
        for (int b = 0; b < row.count; ++b) {
            if ((a == 0 && b == 0) || (a == 0 && b == last) || (a == last && b == 0)) continue;
            MarkBlock(map, row.starts[static_cast<std::size_t>(b)], row.starts[static_cast<std::size_t>(a)],
                      5, 5);
        }
}

void PlacementPath(int version, std::vector<ModulePosition> &path) {
    path.clear();
    if (version < 1 || version > 40) return;
    const int n = 4 * version + 17;
    ModuleMap map;
    map.Reset(n);
    MarkFunctionModules(map, version);
    bool upward = true;
    auto strip = [&](int right) {
        for (int k = 0; k < n; ++k) {
            const int row = upward ? n - 1 - k : k;
            for (int column : {right, right - 1})
                if (map.At(column, row) != kFunctionModule)
                    path.push_back({static_cast<std::uint8_t>(column), static_cast<std::uint8_t>(row)});
        }
        upward = !upward;
    };
    for (int right = n - 1; right >= 8; right -= 2) strip(right);
    for (int right : {5, 3, 1}) strip(right);
}

void PlaceCodewordBits(const std::vector<int> &order, int version, ModuleMap &map) {
    std::vector<ModulePosition> path;
    PlacementPath(version, path);
    map.Reset(4 * version + 17);
    MarkFunctionModules(map, version);
    std::size_t next = 0;
    int remainder = -2;
    for (std::size_t k = 0; k < path.size(); ++k) {
        std::int32_t &m = map.At(path[k].column, path[k].row);
        next = k / 8;
        const int codeword = next < order.size() ? order[next] : -1;
        if (codeword < 0) {
            m = remainder--;
            // Once the order has ended, every further module is a remainder bit.
            for (++k; k < path.size(); ++k) map.At(path[k].column, path[k].row) = remainder--;
            break;
        }
        m = codeword * 10 + 7 - static_cast<int>(k % 8);
    }
    for (int c = 0; c < map.Size(); ++c)
        for (int r = 0; r < map.Size(); ++r)
            if (map.At(c, r) == 0) map.At(c, r) = kFunctionModule;
}

}  // namespace zr::qr
