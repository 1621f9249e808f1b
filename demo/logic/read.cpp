#include "read.hpp"

#include <algorithm>
#include <iterator>

#include "read_common.hpp"

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

const ReaderKindInfo &ReaderKindInfoFor(ReaderKind kind) {
    const auto index = static_cast<size_t>(kind);
    return index < std::size(kReaderKinds) ? kReaderKinds[index] : kReaderKinds[0];
}

bool IsReaderBuilt(ReaderKind kind) {
    const auto index = static_cast<size_t>(kind);
    return index < std::size(kReaderKinds) && kReaderKinds[index].read != nullptr;
}

uint16_t RefreshHintFor(ReaderKind kind) {
    return static_cast<uint16_t>(kHintFirstRead + static_cast<int>(kind));
}

size_t ResultCopyCount(const Document &document) {
    switch (document.state.lastOperation) {
        case Operation::ReadLinear:
            return document.linearResults.size();
        case Operation::ReadPdf417:
            return document.pdf417Results.size();
        case Operation::ReadDataMatrix:
            return document.dataMatrixResults.size();
        case Operation::ReadQr:
            return document.qrResults.size();
        case Operation::ReadMicroQr:
            return document.microQrResults.size();
        default:
            return 0;
    }
}

uint16_t ReadSymbols(Document &document, const ReadSettings &settings) {
    if (!IsReaderBuilt(settings.readerKind)) return ZR_ERR_UNSUPPORTED;
    return ReaderKindInfoFor(settings.readerKind).read(document, settings);
}

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

}  // namespace zr::demo
