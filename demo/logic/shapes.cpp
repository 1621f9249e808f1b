#include "shapes.hpp"

#include "read.hpp"

namespace zr::demo {

std::vector<SymbolShape> ResultShapes(const Document &document) {
    const ReaderKindInfo *kind = ReaderKindOf(document.state.lastOperation);
    return kind != nullptr ? kind->shapes(document) : std::vector<SymbolShape>{};
}

}  // namespace zr::demo
