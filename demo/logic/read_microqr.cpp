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

}  // namespace

void FillMicroQrScanner(ZrMicroQRScanner &scanner, const Document &document, const ReadSettings &settings) {
    FillScannerHead(scanner, document, settings);
}

std::vector<MicroQRResult> CopyMicroQrResults(const ZrMicroQRScanner &scanner) {
    return CopyResults(scanner, CopyQrFamilyResult<MicroQRResult>);
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
                   CopyQrFamilyResult<MicroQRResult>, document.microQrResults);
}

}  // namespace zr::demo
