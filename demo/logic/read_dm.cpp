#include "read_dm.hpp"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

#include "format.hpp"
#include "json.hpp"

namespace zr::demo {
namespace {

constexpr uint8_t kDefaultMaxResults = 20;

}  // namespace

void FillDataMatrixScanner(ZrDMScanner &scanner, const Document &document, const ReadSettings &settings) {
    scanner = ZrDMScanner{};
    scanner.image = document.image.dib;
    const PixelRect rect = SearchRectPixels(settings, document.image.xDpi, document.image.yDpi);
    scanner.left = rect.left;
    scanner.top = rect.top;
    scanner.rectWidth = rect.width;
    scanner.rectHeight = rect.height;
    scanner.maxResults = MaxResultsFor(settings.maxSymbols);
}

std::vector<DMResult> CopyDataMatrixResults(const ZrDMScanner &scanner) {
    std::vector<DMResult> copies;
    if (scanner.results == nullptr) return copies;
    const uint8_t capacity = scanner.maxResults != 0 ? scanner.maxResults : kDefaultMaxResults;
    const size_t count = std::min(scanner.resultCount, capacity);
    copies.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const DMResult &from = scanner.results[i];
        DMResult to{};
        std::copy(std::begin(from.corners), std::end(from.corners), std::begin(to.corners));
        const size_t length = strnlen(from.text, sizeof from.text - 1);
        std::memcpy(to.text, from.text, length);
        copies.push_back(to);
    }
    return copies;
}

uint16_t ReadDataMatrix(Document &document, const ReadSettings &settings) {
    ZrDMScanner scanner;
    FillDataMatrixScanner(scanner, document, settings);
    const uint16_t status = ZrScanDM(&scanner);
    document.state.runTime = scanner.runTime;
    document.state.returnCode = status;
    document.state.lastOperation = Operation::ReadDataMatrix;
    document.state.symbolCount = scanner.resultCount;
    document.state.selectedIndex = 0;
    document.dataMatrixResults = CopyDataMatrixResults(scanner);
    ZrFreeDMScanner(&scanner);
    return status;
}

std::vector<std::string> DataMatrixDetailLines(const DMResult &result) {
    const int32_t *c = result.corners;
    std::vector<std::string> lines;
    lines.push_back(Format("Position: [(%d,%d), (%d,%d), (%d,%d), (%d,%d)]", c[0], c[1], c[2], c[3], c[4],
                           c[5], c[6], c[7]));
    lines.emplace_back(result.text, strnlen(result.text, sizeof result.text));
    return lines;
}

std::string DataMatrixResultJson(const DMResult &result) {
    std::string out = "{\"corners\":[";
    for (int i = 0; i < 8; ++i) {
        if (i != 0) out.push_back(',');
        out += Format("%d", result.corners[i]);
    }
    out += "],\"text\":";
    out += JsonByteString(std::string_view(result.text, strnlen(result.text, sizeof result.text)));
    out.push_back('}');
    return out;
}

}  // namespace zr::demo
