#include "shapes.hpp"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace zr::demo {
namespace {

// Every reader's result record has `corners` (eight 32-bit values) and a NUL-ended `text` of char or
// unsigned bytes.
template <typename Result>
std::vector<SymbolShape> ShapesOf(const std::vector<Result> &results) {
    std::vector<SymbolShape> shapes;
    shapes.reserve(results.size());
    for (const Result &result : results) {
        SymbolShape shape;
        std::copy(std::begin(result.corners), std::end(result.corners), std::begin(shape.corners));
        const auto *text = reinterpret_cast<const char *>(result.text);
        shape.text.assign(text, strnlen(text, sizeof result.text));
        shapes.push_back(std::move(shape));
    }
    return shapes;
}

}  // namespace

std::vector<SymbolShape> ResultShapes(const Document &document) {
    switch (document.state.lastOperation) {
        case Operation::ReadLinear:
            return ShapesOf(document.linearResults);
        case Operation::ReadPdf417:
            return ShapesOf(document.pdf417Results);
        case Operation::ReadDataMatrix:
            return ShapesOf(document.dataMatrixResults);
        case Operation::ReadQr:
            return ShapesOf(document.qrResults);
        case Operation::ReadMicroQr:
            return ShapesOf(document.microQrResults);
        default:
            return {};
    }
}

}  // namespace zr::demo
