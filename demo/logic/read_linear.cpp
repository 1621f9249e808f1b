#include "read_linear.hpp"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "format.hpp"
#include "json.hpp"
#include "read_common.hpp"
#include "symbologies.hpp"

namespace zr::demo {
namespace {

ZrBarResult CopyLinearResult(const ZrBarResult &from) {
    ZrBarResult to{};
    std::copy(std::begin(from.corners), std::end(from.corners), std::begin(to.corners));
    to.type = from.type;
    to.angle = from.angle;
    to.barColor = from.barColor;
    to.checksum = from.checksum;
    CopyText(to.text, from.text);
    return to;
}

}  // namespace

void FillLinearScanner(ZrBarScanner &scanner, const Document &document, const ReadSettings &settings) {
    FillScannerHead(scanner, document, settings);
    const LinearOptions options = LinearOptionsFrom(settings);
    scanner.maxResults = options.maxResults;
    scanner.barColors = options.barColors;
    scanner.directions = options.directions;
    scanner.extraFlags = options.extraFlags;
    scanner.symbologies = options.symbologies;
}

std::vector<ZrBarResult> CopyLinearResults(const ZrBarScanner &scanner) {
    return CopyResults(scanner, CopyLinearResult);
}

uint16_t ReadLinear(Document &document, const ReadSettings &settings) {
    ZrBarScanner scanner;
    FillLinearScanner(scanner, document, settings);
    return RunRead(document, Operation::ReadLinear, scanner, ZrScanBar, ZrFreeBarScanner, CopyLinearResult,
                   document.linearResults);
}

std::vector<std::string> LinearDetailLines(const ZrBarResult &result) {
    return {PositionLine(result.corners),
            Format("Bars color: %s", result.barColor == 1 ? "black" : "white"),
            Format("Skew angle: %.2f degrees", result.angle),
            Format("Checksum: %d", result.checksum),
            Format("Type: %s", LinearTypeName(result.type)),
            std::string(result.text, TextLength(result.text))};
}

std::string LinearResultJson(const ZrBarResult &result) {
    std::string out = CornersJson(result.corners);
    out += Format(",\"type\":%u,\"angle\":", result.type);
    out += JsonNumber(result.angle);
    out += Format(",\"barColor\":%d,\"checksum\":%d,\"text\":", result.barColor, result.checksum);
    out += JsonByteString(std::string_view(result.text, TextLength(result.text)));
    out.push_back('}');
    return out;
}

}  // namespace zr::demo
