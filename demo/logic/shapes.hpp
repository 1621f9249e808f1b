// What the image view draws for each result of the last read: its corners and its text.
#ifndef ZR_DEMO_SHAPES_HPP
#define ZR_DEMO_SHAPES_HPP

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "document.hpp"

namespace zr::demo {

struct SymbolShape {
    int32_t corners[8] = {};  // x0, y0 .. x3, y3 in picture pixels, y from the top
    std::string text;
};

// One shape per stored result of the kind the last operation read, in result order; nothing after
// a file operation or before the first read.
std::vector<SymbolShape> ResultShapes(const Document &document);

// The shapes of one kind's copies. Every reader's result record has `corners` (eight 32-bit values)
// and a NUL-ended `text` of char or unsigned bytes.
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

}  // namespace zr::demo

#endif  // ZR_DEMO_SHAPES_HPP
