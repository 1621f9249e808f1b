#include "read_qr_family.hpp"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "json.hpp"
#include "read_common.hpp"

namespace zr::demo {
namespace {

// QR keeps its text in char, Micro QR in unsigned bytes.
template <class Result>
std::string_view TextOf(const Result &result) {
    return std::string_view(reinterpret_cast<const char *>(result.text), TextLength(result.text));
}

template <class Result>
Result CopyQrFamilyResult(const Result &from) {
    Result to{};
    std::copy(std::begin(from.corners), std::end(from.corners), std::begin(to.corners));
    to.version = from.version;
    to.confidence = from.confidence;
    to.length = from.length;
    CopyText(to.text, from.text);
    return to;
}

template <class Scanner, class Result, class Scan, class Free>
uint16_t ReadQrFamily(Document &document, const ReadSettings &settings, Operation operation, Scan scan,
                      Free freeResults, std::vector<Result> &copies) {
    Scanner scanner;
    FillQrFamilyScanner(scanner, document, settings);
    return RunRead(document, operation, scanner, scan, freeResults, CopyQrFamilyResult<Result>, copies);
}

}  // namespace

template <class Scanner>
void FillQrFamilyScanner(Scanner &scanner, const Document &document, const ReadSettings &settings) {
    FillScannerHead(scanner, document, settings);
    static_assert(ZR_QR_FIRST_LOOK_ONLY == ZR_MICROQR_FIRST_LOOK_ONLY, "one bit for both records");
    if (settings.firstLookOnly) scanner.scanFlags = ZR_QR_FIRST_LOOK_ONLY;
}

template <class Scanner>
std::vector<QrFamilyResultOf<Scanner>> CopyQrFamilyResults(const Scanner &scanner) {
    return CopyResults(scanner, CopyQrFamilyResult<QrFamilyResultOf<Scanner>>);
}

template <class Result>
std::vector<std::string> QrFamilyDetailLines(const Result &result) {
    return {PositionLine(result.corners), std::string(TextOf(result)),
            Format("Confidence: %d", result.confidence), Format("Version: %d", result.version)};
}

template <class Result>
std::string QrFamilyResultJson(const Result &result) {
    std::string out = CornersJson(result.corners);
    out += Format(",\"version\":%d,\"confidence\":%d,\"length\":%d,\"text\":", result.version,
                  result.confidence, result.length);
    out += JsonByteString(TextOf(result));
    out.push_back('}');
    return out;
}

uint16_t ReadQr(Document &document, const ReadSettings &settings) {
    return ReadQrFamily<ZrQRScanner>(document, settings, Operation::ReadQr, ZrScanQR, ZrFreeQRScanner,
                                     document.qrResults);
}

uint16_t ReadMicroQr(Document &document, const ReadSettings &settings) {
    return ReadQrFamily<ZrMicroQRScanner>(document, settings, Operation::ReadMicroQr, ZrScanMicroQR,
                                          ZrFreeMicroQRScanner, document.microQrResults);
}

template void FillQrFamilyScanner(ZrQRScanner &, const Document &, const ReadSettings &);
template void FillQrFamilyScanner(ZrMicroQRScanner &, const Document &, const ReadSettings &);
template std::vector<QRResult> CopyQrFamilyResults(const ZrQRScanner &);
template std::vector<MicroQRResult> CopyQrFamilyResults(const ZrMicroQRScanner &);
template std::vector<std::string> QrFamilyDetailLines(const QRResult &);
template std::vector<std::string> QrFamilyDetailLines(const MicroQRResult &);
template std::string QrFamilyResultJson(const QRResult &);
template std::string QrFamilyResultJson(const MicroQRResult &);

}  // namespace zr::demo
