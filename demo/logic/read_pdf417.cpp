#include "read_pdf417.hpp"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "format.hpp"
#include "json.hpp"

namespace zr::demo {

namespace {
constexpr uint8_t kDefaultMaxResults = 20;
}  // namespace

void FillPdf417Scanner(ZrPDF417Scanner &scanner, const Document &document, const ReadSettings &settings) {
    scanner = ZrPDF417Scanner{};
    scanner.image = document.image.dib;
    const PixelRect rect = SearchRectPixels(settings, document.image.xDpi, document.image.yDpi);
    scanner.left = rect.left;
    scanner.top = rect.top;
    scanner.rectWidth = rect.width;
    scanner.rectHeight = rect.height;
    scanner.maxResults = MaxResultsFor(settings.maxSymbols);
    scanner.barColors = settings.barsColourMask;
    scanner.directions = settings.orientation;
}

std::vector<ZrPDF417Result> CopyPdf417Results(const ZrPDF417Scanner &scanner) {
    std::vector<ZrPDF417Result> copies;
    if (scanner.results == nullptr) return copies;
    const uint8_t capacity = scanner.maxResults != 0 ? scanner.maxResults : kDefaultMaxResults;
    const size_t count = std::min(scanner.resultCount, capacity);
    copies.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const ZrPDF417Result &from = scanner.results[i];
        ZrPDF417Result to{};
        std::copy(std::begin(from.corners), std::end(from.corners), std::begin(to.corners));
        to.angle = from.angle;
        to.barColor = from.barColor;
        to.ecLevel = from.ecLevel;
        to.confidence = from.confidence;
        to.rows = from.rows;
        to.columns = from.columns;
        const size_t length = strnlen(from.text, sizeof from.text - 1);
        std::memcpy(to.text, from.text, length);
        copies.push_back(to);
    }
    return copies;
}

uint16_t ReadPdf417(Document &document, const ReadSettings &settings) {
    ZrPDF417Scanner scanner;
    FillPdf417Scanner(scanner, document, settings);
    const uint16_t status = ZrScanPDF417(&scanner);
    document.state.runTime = scanner.runTime;
    document.state.returnCode = status;
    document.state.lastOperation = Operation::ReadPdf417;
    document.state.symbolCount = scanner.resultCount;
    document.state.selectedIndex = 0;
    document.pdf417Results = CopyPdf417Results(scanner);
    ZrFreePDF417Scanner(&scanner);
    return status;
}

std::vector<std::string> Pdf417DetailLines(const ZrPDF417Result &result) {
    const int32_t *c = result.corners;
    std::vector<std::string> lines;
    lines.push_back(Format("Position: [(%d,%d), (%d,%d), (%d,%d), (%d,%d)]", c[0], c[1], c[2], c[3], c[4],
                           c[5], c[6], c[7]));
    lines.push_back(Format("Bars color: %s", result.barColor == 1 ? "black" : "white"));
    lines.push_back(Format("Skew angle: %.2f degrees", result.angle));
    lines.push_back(Format("Error correction level: %d   Confidence: %d", result.ecLevel, result.confidence));
    lines.push_back(Format("Rows: %d  x  Columns: %d", result.rows, result.columns));
    lines.emplace_back(result.text, strnlen(result.text, sizeof result.text));
    return lines;
}

std::string Pdf417ResultJson(const ZrPDF417Result &result) {
    std::string out = "{\"corners\":[";
    for (int i = 0; i < 8; ++i) {
        if (i != 0) out.push_back(',');
        out += Format("%d", result.corners[i]);
    }
    out += "],\"angle\":" + JsonNumber(result.angle);
    out += Format(",\"barColor\":%d,\"ecLevel\":%d,\"confidence\":%d,\"rows\":%d,\"columns\":%d,\"text\":",
                  result.barColor, result.ecLevel, result.confidence, result.rows, result.columns);
    out += JsonByteString(std::string_view(result.text, strnlen(result.text, sizeof result.text)));
    out.push_back('}');
    return out;
}

}  // namespace zr::demo
