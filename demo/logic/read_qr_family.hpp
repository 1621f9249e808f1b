// The QR and Micro QR kinds of the Read command. Both records hold the same reported fields
// (corners, version, confidence, length, text), so one set of templates serves both: the scanner
// record from the settings, the copies the document keeps, and their report and JSON texts.
#ifndef ZR_DEMO_READ_QR_FAMILY_HPP
#define ZR_DEMO_READ_QR_FAMILY_HPP

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "document.hpp"
#include "settings.hpp"
#include "zr/ZrMicroQR.h"
#include "zr/ZrQR.h"

namespace zr::demo {

uint16_t ReadQr(Document &document, const ReadSettings &settings);
uint16_t ReadMicroQr(Document &document, const ReadSettings &settings);

// The record zeroed, image, rectangle and maxResults set; scanFlags stays 0, which both readers
// take as both polarities. For ZrQRScanner and ZrMicroQRScanner.
template <class Scanner>
void FillQrFamilyScanner(Scanner &scanner, const Document &document, const ReadSettings &settings);

// Copies corners, version, confidence, length and the text up to its first zero byte of each
// result; the other fields stay zero. At most the array's capacity whatever resultCount says.
template <class Scanner>
using QrFamilyResultOf = std::remove_pointer_t<decltype(Scanner::results)>;
template <class Scanner>
std::vector<QrFamilyResultOf<Scanner>> CopyQrFamilyResults(const Scanner &scanner);

// The position line, the text, "Confidence: %d" and "Version: %d". For QRResult and MicroQRResult.
template <class Result>
std::vector<std::string> QrFamilyDetailLines(const Result &result);

// {"corners":[...],"version":N,"confidence":N,"length":N,"text":"..."}
template <class Result>
std::string QrFamilyResultJson(const Result &result);

}  // namespace zr::demo

#endif  // ZR_DEMO_READ_QR_FAMILY_HPP
