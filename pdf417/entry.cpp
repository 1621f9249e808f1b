// Exported calls of the PDF417 reader and the scan's symbol loop: find and
// measure a symbol, read its rows, correct and decode it, store it and blank
// its box so that the search does not meet it again.
#include <algorithm>
#include <cstring>

#include "core/call_frame.hpp"
#include "core/image_view.hpp"
#include "pdf417/correction.hpp"
#include "pdf417/data.hpp"
#include "pdf417/reader_state.hpp"
#include "zr/ZrPDF417.h"

namespace zr::pdf417 {

namespace {

constexpr std::uint32_t kVersion = 0x2002C;  // 2.44
constexpr std::uint8_t kDefaultBarColors = 3;
constexpr std::uint8_t kDefaultDirections = 15;

void ApplyDefaults(ZrPDF417Scanner &scanner) {
    if ((scanner.directions & 15) == 0) scanner.directions = kDefaultDirections;
    if ((scanner.barColors & 3) == 0) scanner.barColors = kDefaultBarColors;
}

// Rows, correction and data of the measured symbol into `result`.
std::uint16_t DecodeSymbol(const ZrImage &image, ReaderState &state, DecodedData &data,
                           ZrPDF417Result &result) {
    std::uint16_t status = ReadRows(image, state);
    if (status != kFound) return status;
    const int count = static_cast<int>(state.codewords.size());
    const int corrected = CorrectCodewords(state.codewords, state.checkWords);
    if (corrected == kCorrectionFailed) return kUncorrectable;
    status = DecodeData(state.codewords, count - state.checkWords, data);
    if (status != kDataOk) return kUncorrectable;

    result = ZrPDF417Result{};
    for (std::size_t i = 0; i < 4; ++i) {
        result.corners[2 * i] = state.corners[i].x;
        result.corners[2 * i + 1] = state.corners[i].y;
    }
    result.angle = state.angle;
    result.barColor = state.barColor;
    result.ecLevel = static_cast<std::uint8_t>(state.level);
    result.confidence = static_cast<std::int16_t>(ConfidenceOf(count, corrected));
    result.rows = static_cast<std::int16_t>(state.rows);
    result.columns = static_cast<std::int16_t>(state.columns);
    // Longer data is cut to the field: 1023 bytes and the NUL.
    const std::size_t length = std::min(data.length, sizeof result.text - 1);
    std::memcpy(result.text, data.bytes.data(), length);
    result.text[length] = '\0';
    return kFound;
}

// Paints the symbol's bounding box (whole bytes) with the background colour.
void BlankSymbol(const ZrImage &image, const ZrPDF417Result &result, std::uint8_t barColor) {
    const BitImageView view(image);
    int minX = result.corners[0], maxX = minX, minY = result.corners[1], maxY = minY;
    for (std::size_t i = 1; i < 4; ++i) {
        minX = std::min(minX, result.corners[2 * i]);
        maxX = std::max(maxX, result.corners[2 * i]);
        minY = std::min(minY, result.corners[2 * i + 1]);
        maxY = std::max(maxY, result.corners[2 * i + 1]);
    }
    minX = std::max(0, minX);
    maxX = std::min(view.Width() - 1, maxX);
    minY = std::max(0, minY);
    maxY = std::min(view.Height() - 1, maxY);
    if (maxX < minX) return;
    const int firstByte = minX / 8;
    const int bytes = std::min((maxX - minX + 16) / 8, static_cast<int>(view.Pitch()) - firstByte);
    const bool backgroundDark = barColor == kLightBars;
    const std::uint8_t fill = backgroundDark == view.SetBitIsDark() ? 0xFF : 0x00;
    for (int y = minY; y < maxY; ++y)
        std::memset(view.MutableRow(y) + firstByte, fill, static_cast<std::size_t>(bytes));
}

std::uint16_t Search(const ZrImage &image, ZrPDF417Scanner &scanner) {
    ApplyDefaults(scanner);
    ReaderState state;
    state.area = {static_cast<int>(scanner.left), static_cast<int>(scanner.top),
                  static_cast<int>(scanner.left + scanner.rectWidth),
                  static_cast<int>(scanner.top + scanner.rectHeight)};
    if (state.area.Empty()) return ZR_OK;
    state.barColors = scanner.barColors;
    state.runs.reserve(kMaxRowRuns);
    state.runStarts.reserve(kMaxRowRuns + 1);
    DecodedData data;
    const bool passes[2] = {(scanner.directions & 3) != 0, (scanner.directions & 12) != 0};
    for (int pass = 0; pass < 2; ++pass) {
        if (!passes[pass]) continue;
        state.vertical = pass == 1;
        state.scan = {state.area.x0, state.area.y0};
        for (;;) {
            state.ClearSymbol();
            if (FindSymbol(image, state) != kFound) break;
            ZrPDF417Result result;
            if (DecodeSymbol(image, state, data, result) != kFound) continue;
            if (scanner.resultCount >= scanner.maxResults) return ZR_ERR_LIST_FULL;
            scanner.results[scanner.resultCount++] = result;
            BlankSymbol(image, result, state.barColor);
        }
    }
    return ZR_OK;
}

}  // namespace

}  // namespace zr::pdf417

extern "C" {

ZR_EXPORT uint32_t ZrPDF417GetVersion(void) {
    return zr::pdf417::kVersion;
}

ZR_EXPORT uint16_t ZrInitPDF417Scanner(ZrPDF417Scanner *scanner) {
    const std::uint16_t status = zr::InitScannerHead(scanner);
    if (status != ZR_OK) return status;
    scanner->barColors = zr::pdf417::kDefaultBarColors;
    scanner->directions = zr::pdf417::kDefaultDirections;
    scanner->runTime = 0;
    return ZR_OK;
}

ZR_EXPORT uint16_t ZrScanPDF417(ZrPDF417Scanner *scanner) {
    return zr::RunScanFrame<zr::RectangleRule::ClampInPlace>(
        scanner, zr::LoadBiLevel, [scanner](ZrImage &work) { return zr::pdf417::Search(work, *scanner); });
}

ZR_EXPORT uint16_t GetPDF417At(ZrPDF417Scanner *scanner, int index, ZrPDF417Result *result) {
    return zr::GetResultAt(scanner, index, result);
}

ZR_EXPORT uint16_t ZrFreePDF417Scanner(ZrPDF417Scanner *scanner) {
    return zr::FreeResults(scanner);
}

}  // extern "C"
