// The QR read: scanner record from the settings, result copies, report and JSON texts.
#ifndef ZR_DEMO_READ_QR_HPP
#define ZR_DEMO_READ_QR_HPP

#include <cstdint>
#include <string>
#include <vector>

#include "document.hpp"
#include "settings.hpp"
#include "zr/ZrQR.h"

namespace zr::demo {

uint16_t ReadQr(Document &document, const ReadSettings &settings);

// The record zeroed, image, rectangle and maxResults set; scanFlags stays 0 (both colours).
void FillQrScanner(ZrQRScanner &scanner, const Document &document, const ReadSettings &settings);

// Copies the corners, version, confidence, length and the text up to its first zero byte of each
// result; the other fields stay zero.
std::vector<QRResult> CopyQrResults(const ZrQRScanner &scanner);

// The position line, "Confidence: %d", "Version: %d" and the text.
std::vector<std::string> QrDetailLines(const QRResult &result);

// {"corners":[...],"version":N,"confidence":N,"length":N,"text":"..."}
std::string QrResultJson(const QRResult &result);

}  // namespace zr::demo

#endif  // ZR_DEMO_READ_QR_HPP
