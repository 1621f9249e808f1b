// What the image view draws for each result of the last read: its corners and its text.
#ifndef ZR_DEMO_SHAPES_HPP
#define ZR_DEMO_SHAPES_HPP

#include <cstdint>
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

}  // namespace zr::demo

#endif  // ZR_DEMO_SHAPES_HPP
