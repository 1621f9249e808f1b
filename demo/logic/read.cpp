#include "read.hpp"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace zr::demo {
namespace {

// An unset capacity means the reader's default list of 20.
constexpr uint8_t kDefaultMaxResults = 20;

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
        default:
            return 0;
    }
}

uint16_t ReadSymbols(Document &document, const ReadSettings &settings) {
    if (!IsReaderBuilt(settings.readerKind)) return ZR_ERR_UNSUPPORTED;
    return ReaderKindInfoFor(settings.readerKind).read(document, settings);
}

void FillLinearScanner(ZrBarScanner &scanner, const Document &document, const ReadSettings &settings) {
    scanner = ZrBarScanner{};
    scanner.image = document.image.dib;
    const PixelRect rect = SearchRectPixels(settings, document.image.xDpi, document.image.yDpi);
    scanner.left = rect.left;
    scanner.top = rect.top;
    scanner.rectWidth = rect.width;
    scanner.rectHeight = rect.height;
    const LinearOptions options = LinearOptionsFrom(settings);
    scanner.maxResults = options.maxResults;
    scanner.barColors = options.barColors;
    scanner.directions = options.directions;
    scanner.extraFlags = options.extraFlags;
    scanner.symbologies = options.symbologies;
}

std::vector<ZrBarResult> CopyLinearResults(const ZrBarScanner &scanner) {
    std::vector<ZrBarResult> copies;
    if (scanner.results == nullptr) return copies;
    const uint8_t capacity = scanner.maxResults != 0 ? scanner.maxResults : kDefaultMaxResults;
    const size_t count = std::min(scanner.resultCount, capacity);
    copies.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const ZrBarResult &from = scanner.results[i];
        ZrBarResult to{};
        std::copy(std::begin(from.corners), std::end(from.corners), std::begin(to.corners));
        to.type = from.type;
        to.angle = from.angle;
        to.barColor = from.barColor;
        to.checksum = from.checksum;
        // The copy always ends in a NUL, even if the reader's text filled the field.
        const size_t length = strnlen(from.text, sizeof from.text - 1);
        std::memcpy(to.text, from.text, length);
        copies.push_back(to);
    }
    return copies;
}

uint16_t ReadLinear(Document &document, const ReadSettings &settings) {
    ZrBarScanner scanner;
    FillLinearScanner(scanner, document, settings);
    const uint16_t status = ZrScanBar(&scanner);
    document.state.runTime = scanner.runTime;
    document.state.returnCode = status;
    document.state.lastOperation = Operation::ReadLinear;
    document.state.symbolCount = scanner.resultCount;
    document.state.selectedIndex = 0;
    document.linearResults = CopyLinearResults(scanner);
    ZrFreeBarScanner(&scanner);
    return status;
}

}  // namespace zr::demo
