#include "read_microqr.hpp"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "json.hpp"
#include "read_common.hpp"

namespace zr::demo {
namespace {

std::string_view TextOf(const MicroQRResult &result) {
    return std::string_view(reinterpret_cast<const char *>(result.text), TextLength(result.text));
}

MicroQRResult CopyMicroQrResult(const MicroQRResult &from) {
    MicroQRResult to{};
    std::copy(std::begin(from.corners), std::end(from.corners), std::begin(to.corners));
    to.version = from.version;
    to.confidence = from.confidence;
    to.length = from.length;
    CopyText(to.text, from.text);
    return to;
}

}  // namespace

void FillMicroQrScanner(ZrMicroQRScanner &scanner, const Document &document, const ReadSettings &settings) {
    FillScannerHead(scanner, document, settings);
}

std::vector<MicroQRResult> CopyMicroQrResults(const ZrMicroQRScanner &scanner) {
    return CopyResults(scanner, CopyMicroQrResult);
}

std::vector<std::string> MicroQrDetailLines(const MicroQRResult &result) {
    return {PositionLine(result.corners), std::string(TextOf(result)),
            Format("Confidence: %d", result.confidence), Format("Version: %d", result.version)};
}

std::string MicroQrResultJson(const MicroQRResult &result) {
    std::string out = CornersJson(result.corners);
    out += Format(",\"version\":%d,\"confidence\":%d,\"length\":%d,\"text\":", result.version,
                  result.confidence, result.length);
    out += JsonByteString(TextOf(result));
    out.push_back('}');
    return out;
}

uint16_t ReadMicroQr(Document &document, const ReadSettings &settings) {
    ZrMicroQRScanner scanner;
    FillMicroQrScanner(scanner, document, settings);
    return RunRead(document, Operation::ReadMicroQr, scanner, ZrScanMicroQR, ZrFreeMicroQRScanner,
                   CopyMicroQrResult, document.microQrResults);
}

}  // namespace zr::demo
