// What every reader's Read command shares: the scanner head filled from the settings, one
// read (scan, the document's read state, result copies, free), copies bounded by the result
// array's capacity, and the position line and corner list of the report and JSON texts.
#ifndef ZR_DEMO_READ_COMMON_HPP
#define ZR_DEMO_READ_COMMON_HPP

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <type_traits>
#include <vector>

#include "core/call_frame.hpp"
#include "document.hpp"
#include "format.hpp"
#include "settings.hpp"

namespace zr::demo {

// The record zeroed, then image, rectangle and maxResults set; reader options stay 0 (the
// readers' defaults) unless the caller sets them afterwards.
template <class Scanner>
void FillScannerHead(Scanner &scanner, const Document &document, const ReadSettings &settings) {
    scanner = Scanner{};
    scanner.image = document.image.dib;
    const PixelRect rect = SearchRectPixels(settings, document.image.xDpi, document.image.yDpi);
    scanner.left = rect.left;
    scanner.top = rect.top;
    scanner.rectWidth = rect.width;
    scanner.rectHeight = rect.height;
    scanner.maxResults = MaxResultsFor(settings.maxSymbols);
}

// Copies each result with `copyOne`. At most the array's capacity (the readers' default list
// when maxResults is unset) is copied whatever resultCount says; a null array gives no copies.
template <class Scanner, class CopyOne>
auto CopyResults(const Scanner &scanner, CopyOne copyOne) {
    using Result = std::remove_cv_t<std::remove_pointer_t<decltype(scanner.results)>>;
    std::vector<Result> copies;
    if (scanner.results == nullptr) return copies;
    const uint8_t capacity = scanner.maxResults != 0 ? scanner.maxResults : kDefaultMaxResults;
    const size_t count = std::min(scanner.resultCount, capacity);
    copies.reserve(count);
    for (size_t i = 0; i < count; ++i) copies.push_back(copyOne(scanner.results[i]));
    return copies;
}

// A zero-ended text field copied up to its first zero byte; the copy always ends in one,
// even when the reader's text filled the field.
template <class Char, size_t N>
void CopyText(Char (&to)[N], const Char (&from)[N]) {
    std::memcpy(to, from, strnlen(reinterpret_cast<const char *>(from), N - 1));
}
template <class Char, size_t N>
size_t TextLength(const Char (&text)[N]) {
    return strnlen(reinterpret_cast<const char *>(text), N);
}

// One read: the scan, the document's read state and result copies, then the free call.
template <class Scanner, class Result, class Scan, class Free, class CopyOne>
uint16_t RunRead(Document &document, Operation operation, Scanner &scanner, Scan scan, Free freeResults,
                 CopyOne copyOne, std::vector<Result> &copies) {
    const uint16_t status = scan(&scanner);
    document.state.runTime = scanner.runTime;
    document.state.returnCode = status;
    document.state.lastOperation = operation;
    document.state.symbolCount = scanner.resultCount;
    document.state.selectedIndex = 0;
    copies = CopyResults(scanner, copyOne);
    freeResults(&scanner);
    return status;
}

// "Position: [(x,y), ...]" of the report.
inline std::string PositionLine(const int32_t (&c)[8]) {
    return Format("Position: [(%d,%d), (%d,%d), (%d,%d), (%d,%d)]", c[0], c[1], c[2], c[3], c[4], c[5], c[6],
                  c[7]);
}

// The opening of a result's JSON object: {"corners":[x,y,...]
inline std::string CornersJson(const int32_t (&corners)[8]) {
    std::string out = "{\"corners\":[";
    for (int i = 0; i < 8; ++i) {
        if (i != 0) out.push_back(',');
        out += Format("%d", corners[i]);
    }
    out.push_back(']');
    return out;
}

}  // namespace zr::demo

#endif  // ZR_DEMO_READ_COMMON_HPP
