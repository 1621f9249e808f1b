#include "read_qr.hpp"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

#include "format.hpp"
#include "json.hpp"

namespace zr::demo {
namespace {

constexpr uint8_t kDefaultMaxResults = 20;

std::string_view TextOf(const QRResult &result) {
    return std::string_view(result.text, strnlen(result.text, sizeof result.text));
}

}  // namespace

void FillQrScanner(ZrQRScanner &scanner, const Document &document, const ReadSettings &settings) {
    scanner = ZrQRScanner{};
    scanner.image = document.image.dib;
    const PixelRect rect = SearchRectPixels(settings, document.image.xDpi, document.image.yDpi);
    scanner.left = rect.left;
    scanner.top = rect.top;
    scanner.rectWidth = rect.width;
    scanner.rectHeight = rect.height;
    scanner.maxResults = MaxResultsFor(settings.maxSymbols);
}

std::vector<QRResult> CopyQrResults(const ZrQRScanner &scanner) {
    std::vector<QRResult> copies;
    if (scanner.results == nullptr) return copies;
    const uint8_t capacity = scanner.maxResults != 0 ? scanner.maxResults : kDefaultMaxResults;
    const size_t count = std::min(scanner.resultCount, capacity);
    copies.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const QRResult &from = scanner.results[i];
        QRResult to{};
        std::copy(std::begin(from.corners), std::end(from.corners), std::begin(to.corners));
        to.version = from.version;
        to.confidence = from.confidence;
        to.length = from.length;
        // Up to and including the first zero byte; the copy always ends in one.
        const size_t length = strnlen(from.text, sizeof from.text - 1);
        std::memcpy(to.text, from.text, length);
        copies.push_back(to);
    }
    return copies;
}

uint16_t ReadQr(Document &document, const ReadSettings &settings) {
    ZrQRScanner scanner;
    FillQrScanner(scanner, document, settings);
    const uint16_t status = ZrScanQR(&scanner);
    document.state.runTime = scanner.runTime;
    document.state.returnCode = status;
    document.state.lastOperation = Operation::ReadQr;
    document.state.symbolCount = scanner.resultCount;
    document.state.selectedIndex = 0;
    document.qrResults = CopyQrResults(scanner);
    ZrFreeQRScanner(&scanner);
    return status;
}

std::vector<std::string> QrDetailLines(const QRResult &result) {
    const int32_t *c = result.corners;
    std::vector<std::string> lines;
    lines.push_back(Format("Position: [(%d,%d), (%d,%d), (%d,%d), (%d,%d)]", c[0], c[1], c[2], c[3], c[4],
                           c[5], c[6], c[7]));
    lines.push_back(Format("Confidence: %d", result.confidence));
    lines.push_back(Format("Version: %d", result.version));
    lines.emplace_back(TextOf(result));
    return lines;
}

std::string QrResultJson(const QRResult &result) {
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

}  // namespace zr::demo
