#include "read_qr.hpp"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "json.hpp"
#include "read_common.hpp"

namespace zr::demo {
namespace {

std::string_view TextOf(const QRResult &result) {
    return std::string_view(result.text, TextLength(result.text));
}

}  // namespace

void FillQrScanner(ZrQRScanner &scanner, const Document &document, const ReadSettings &settings) {
    FillScannerHead(scanner, document, settings);
}

std::vector<QRResult> CopyQrResults(const ZrQRScanner &scanner) {
    return CopyResults(scanner, CopyQrFamilyResult<QRResult>);
}

uint16_t ReadQr(Document &document, const ReadSettings &settings) {
    ZrQRScanner scanner;
    FillQrScanner(scanner, document, settings);
    return RunRead(document, Operation::ReadQr, scanner, ZrScanQR, ZrFreeQRScanner,
                   CopyQrFamilyResult<QRResult>, document.qrResults);
}

std::vector<std::string> QrDetailLines(const QRResult &result) {
    return {PositionLine(result.corners), std::string(TextOf(result)),
            Format("Confidence: %d", result.confidence), Format("Version: %d", result.version)};
}

std::string QrResultJson(const QRResult &result) {
    std::string out = CornersJson(result.corners);
    out += Format(",\"version\":%d,\"confidence\":%d,\"length\":%d,\"text\":", result.version,
                  result.confidence, result.length);
    out += JsonByteString(TextOf(result));
    out.push_back('}');
    return out;
}

}  // namespace zr::demo
