// The scan's passes and symbol loop: each start pattern the search finds is
// measured, its corners traced, its rows read, corrected and decoded; a
// decoded symbol is stored and its box blanked so that the search does not
// meet it again.
#include <algorithm>
#include <cstring>

#include "core/image_view.hpp"
#include "pdf417/correction.hpp"
#include "pdf417/data.hpp"
#include "pdf417/stages.hpp"

namespace zr::pdf417 {

namespace {

// Buffers the scan reuses from symbol to symbol.
struct SymbolWork {
    RowWork rows;
    SymbolRows read;
    DecodedData data;
};

// Rows, correction and data of the measured symbol into `result`.
SymbolOutcome DecodeSymbol(const ZrImage &image, const ScanSettings &settings, const MeasuredSymbol &symbol,
                           SymbolWork &work, ZrPDF417Result &result) {
    SymbolRows &read = work.read;
    if (ReadRows(image, settings, symbol, work.rows, read) != SymbolOutcome::kRead)
        return SymbolOutcome::kUnreadable;
    const int count = static_cast<int>(read.codewords.size());
    const int corrected = CorrectCodewords(read.codewords, read.checkWords);
    if (corrected == kCorrectionFailed) return SymbolOutcome::kUncorrectable;
    if (!DecodeData(read.codewords, count - read.checkWords, work.data)) return SymbolOutcome::kUncorrectable;

    result = ZrPDF417Result{};
    geom::StoreCorners(symbol.corners, result.corners);
    result.angle = symbol.direction.angle;
    result.barColor = symbol.metrics.barColor;
    result.ecLevel = static_cast<std::uint8_t>(read.level);
    result.confidence = static_cast<std::int16_t>(ConfidenceOf(count, corrected));
    result.rows = static_cast<std::int16_t>(read.rows);
    result.columns = static_cast<std::int16_t>(symbol.metrics.columns);
    // Longer data is cut to the field: 1023 bytes and the NUL.
    const std::size_t length = std::min(work.data.length, sizeof result.text - 1);
    std::memcpy(result.text, work.data.bytes.data(), length);
    result.text[length] = '\0';
    return SymbolOutcome::kRead;
}

// Paints the symbol's bounding box (whole bytes) with the background colour.
void BlankSymbol(ZrImage &image, const QuadI &corners, std::uint8_t barColor) {
    const BitImageView view(image);
    PointI low = corners.topLeft, high = corners.topLeft;
    for (int i = 1; i < QuadI::kCorners; ++i) {
        low = {std::min(low.x, corners[i].x), std::min(low.y, corners[i].y)};
        high = {std::max(high.x, corners[i].x), std::max(high.y, corners[i].y)};
    }
    low = {std::max(0, low.x), std::max(0, low.y)};
    high = {std::min(view.Width() - 1, high.x), std::min(view.Height() - 1, high.y)};
    if (high.x < low.x) return;
    const int firstByte = low.x / 8;
    const int bytes = std::min((high.x - low.x + 16) / 8, static_cast<int>(view.Pitch()) - firstByte);
    const bool backgroundDark = barColor == kLightBars;
    const std::uint8_t fill = backgroundDark == view.SetBitIsDark() ? 0xFF : 0x00;
    // The box's last row is left as it is.
    for (int y = low.y; y < high.y; ++y)
        std::memset(view.MutableRow(y) + firstByte, fill, static_cast<std::size_t>(bytes));
}

// One pass: symbols in the order the search meets their start patterns.
ScanOutcome ScanPass(ZrImage &image, const ScanSettings &settings, SymbolWork &work,
                     ZrPDF417Scanner &scanner, std::vector<DecodedData> *details) {
    StartSearch search(image, settings);
    while (const std::optional<StartCandidate> candidate = NextStart(search)) {
        const std::optional<MeasuredRow> row = MeasureSymbol(image, settings, *candidate, work.rows);
        if (!row) continue;
        const MeasuredSymbol symbol = TraceCorners(image, settings, *row);
        ZrPDF417Result result;
        if (DecodeSymbol(image, settings, symbol, work, result) != SymbolOutcome::kRead) continue;
        if (scanner.resultCount >= scanner.maxResults) return ScanOutcome::kListFull;
        if (details) {
            details->resize(scanner.resultCount + 1u);
            const SymbolRows &read = work.read;
            DecodeData(read.codewords, static_cast<int>(read.codewords.size()) - read.checkWords, details->back(),
                       EciHandling::kHonour);
        }
        scanner.results[scanner.resultCount++] = result;
        BlankSymbol(image, symbol.corners, symbol.metrics.barColor);
    }
    return ScanOutcome::kScanned;
}

}  // namespace

ScanOutcome ScanSymbols(ZrImage &image, ZrPDF417Scanner &scanner, std::vector<DecodedData> *details) {
    ScanSettings settings;
    settings.area = {static_cast<int>(scanner.left), static_cast<int>(scanner.top),
                     static_cast<int>(scanner.left + scanner.rectWidth),
                     static_cast<int>(scanner.top + scanner.rectHeight)};
    if (settings.area.Empty()) return ScanOutcome::kScanned;
    settings.barColors = scanner.barColors;
    SymbolWork work;
    for (const bool vertical : {false, true}) {
        if ((scanner.directions & (vertical ? ZR_PDF417_VERTICAL : ZR_PDF417_HORIZONTAL)) == 0) continue;
        settings.vertical = vertical;
        if (ScanPass(image, settings, work, scanner, details) == ScanOutcome::kListFull)
            return ScanOutcome::kListFull;
    }
    return ScanOutcome::kScanned;
}

}  // namespace zr::pdf417
