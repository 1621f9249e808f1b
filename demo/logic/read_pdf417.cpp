#include "read_pdf417.hpp"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "json.hpp"
#include "read_common.hpp"

namespace zr::demo {
namespace {

ZrPDF417Result CopyPdf417Result(const ZrPDF417Result &from) {
    ZrPDF417Result to{};
    std::copy(std::begin(from.corners), std::end(from.corners), std::begin(to.corners));
    to.angle = from.angle;
    to.barColor = from.barColor;
    to.ecLevel = from.ecLevel;
    to.confidence = from.confidence;
    to.rows = from.rows;
    to.columns = from.columns;
    CopyText(to.text, from.text);
    return to;
}

}  // namespace

void FillPdf417Scanner(ZrPDF417Scanner &scanner, const Document &document, const ReadSettings &settings) {
    FillScannerHead(scanner, document, settings);
    scanner.barColors = settings.barsColourMask;
    scanner.directions = static_cast<uint8_t>(settings.orientation |
                                              (settings.firstLookOnly ? ZR_PDF417_FIRST_LOOK_ONLY : 0));
}

std::vector<ZrPDF417Result> CopyPdf417Results(const ZrPDF417Scanner &scanner) {
    return CopyResults(scanner, CopyPdf417Result);
}

uint16_t ReadPdf417(Document &document, const ReadSettings &settings) {
    ZrPDF417Scanner scanner;
    FillPdf417Scanner(scanner, document, settings);
    return RunRead(document, Operation::ReadPdf417, scanner, ZrScanPDF417, ZrFreePDF417Scanner,
                   CopyPdf417Result, document.pdf417Results);
}

std::vector<std::string> Pdf417DetailLines(const ZrPDF417Result &result) {
    return {PositionLine(result.corners),
            Format("Bars color: %s", result.barColor == 1 ? "black" : "white"),
            Format("Skew angle: %.2f degrees", result.angle),
            Format("Error correction level: %d   Confidence: %d", result.ecLevel, result.confidence),
            Format("Rows: %d  x  Columns: %d", result.rows, result.columns),
            std::string(result.text, TextLength(result.text))};
}

std::string Pdf417ResultJson(const ZrPDF417Result &result) {
    std::string out = CornersJson(result.corners);
    out += ",\"angle\":" + JsonNumber(result.angle);
    out += Format(",\"barColor\":%d,\"ecLevel\":%d,\"confidence\":%d,\"rows\":%d,\"columns\":%d,\"text\":",
                  result.barColor, result.ecLevel, result.confidence, result.rows, result.columns);
    out += JsonByteString(std::string_view(result.text, TextLength(result.text)));
    out.push_back('}');
    return out;
}

}  // namespace zr::demo
