// The Micro QR kind of the Read command: the scanner record from the settings, the copies the
// document keeps, and their report and JSON texts.
#ifndef ZR_DEMO_READ_MICROQR_HPP
#define ZR_DEMO_READ_MICROQR_HPP

#include <string>
#include <vector>

#include "document.hpp"
#include "settings.hpp"
#include "zr/ZrMicroQR.h"

namespace zr::demo {

uint16_t ReadMicroQr(Document &document, const ReadSettings &settings);

// The record zeroed, image, rectangle and maxResults set; scanFlags stays 0, which the reader
// takes as both polarities.
void FillMicroQrScanner(ZrMicroQRScanner &scanner, const Document &document, const ReadSettings &settings);

// Copies corners, version, confidence, length and the text up to its first zero byte; at most the
// array's capacity whatever resultCount says.
std::vector<MicroQRResult> CopyMicroQrResults(const ZrMicroQRScanner &scanner);

// Position, text, "Confidence: %d", "Version: %d".
std::vector<std::string> MicroQrDetailLines(const MicroQRResult &result);

// {"corners":[...],"version":N,"confidence":N,"length":N,"text":"..."}
std::string MicroQrResultJson(const MicroQRResult &result);

}  // namespace zr::demo

#endif  // ZR_DEMO_READ_MICROQR_HPP
