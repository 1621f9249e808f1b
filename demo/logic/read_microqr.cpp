#include "read_microqr.hpp"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

#include "format.hpp"
#include "json.hpp"

namespace zr::demo {
namespace {

constexpr uint8_t kDefaultMaxResults = 20;

std::string_view TextOf(const MicroQRResult &result) {
    const char *text = reinterpret_cast<const char *>(result.text);
    return std::string_view(text, strnlen(text, sizeof result.text));
}

}  // namespace

void FillMicroQrScanner(ZrMicroQRScanner &scanner, const Document &document, const ReadSettings &settings) {
    scanner = ZrMicroQRScanner{};
    scanner.image = document.image.dib;
    const PixelRect rect = SearchRectPixels(settings, document.image.xDpi, document.image.yDpi);
    scanner.left = rect.left;
    scanner.top = rect.top;
    scanner.rectWidth = rect.width;
    scanner.rectHeight = rect.height;
    scanner.maxResults = MaxResultsFor(settings.maxSymbols);
}

std::vector<MicroQRResult> CopyMicroQrResults(const ZrMicroQRScanner &scanner) {
    std::vector<MicroQRResult> copies;
    if (scanner.results == nullptr) return copies;
    const uint8_t capacity = scanner.maxResults != 0 ? scanner.maxResults : kDefaultMaxResults;
    const size_t count = std::min(scanner.resultCount, capacity);
    for (size_t i = 0; i < count; ++i) {
        const MicroQRResult &from = scanner.results[i];
        MicroQRResult to{};
        std::copy(std::begin(from.corners), std::end(from.corners), std::begin(to.corners));
        to.version = from.version;
        to.confidence = from.confidence;
        to.length = from.length;
        const std::string_view text = TextOf(from);
        std::memcpy(to.text, text.data(), std::min(text.size(), sizeof to.text - 1));
        copies.push_back(to);
    }
    return copies;
}

std::vector<std::string> MicroQrDetailLines(const MicroQRResult &result) {
    const int32_t *c = result.corners;
    std::vector<std::string> lines;
    lines.push_back(Format("Position: [(%d,%d), (%d,%d), (%d,%d), (%d,%d)]", c[0], c[1], c[2], c[3], c[4],
                           c[5], c[6], c[7]));
    lines.emplace_back(TextOf(result));
    lines.push_back(Format("Confidence: %d", result.confidence));
    lines.push_back(Format("Version: %d", result.version));
    return lines;
}

std::string MicroQrResultJson(const MicroQRResult &result) {
    std::string out = "{\"corners\":[";
    for (int i = 0; i < 8; ++i) {
        if (i != 0) out.push_back(',');
        out += Format("%d", result.corners[i]);
    }
    out += Format("],\"version\":%d,\"confidence\":%d,\"length\":%d,\"text\":", result.version,
                  result.confidence, result.length);
    out += JsonByteString(TextOf(result));
    out.push_back('}');
    return out;
}

uint16_t ReadMicroQr(Document &document, const ReadSettings &settings) {
    ZrMicroQRScanner scanner;
    FillMicroQrScanner(scanner, document, settings);
    const uint16_t status = ZrScanMicroQR(&scanner);
    document.state.runTime = scanner.runTime;
    document.state.returnCode = status;
    document.state.lastOperation = Operation::ReadMicroQr;
    document.state.symbolCount = scanner.resultCount;
    document.state.selectedIndex = 0;
    document.microQrResults = CopyMicroQrResults(scanner);
    ZrFreeMicroQRScanner(&scanner);
    return status;
}

}  // namespace zr::demo
