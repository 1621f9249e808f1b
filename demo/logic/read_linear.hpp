// The linear kind of the Read command: the scanner record from the settings, the copies the
// document keeps, and their report and JSON texts.
#ifndef ZR_DEMO_READ_LINEAR_HPP
#define ZR_DEMO_READ_LINEAR_HPP

#include <cstdint>
#include <string>
#include <vector>

#include "document.hpp"
#include "settings.hpp"
#include "zr/ZrBar.h"

namespace zr::demo {

uint16_t ReadLinear(Document &document, const ReadSettings &settings);

// The record zeroed, image, rectangle and the linear options (LinearOptionsFrom) set.
void FillLinearScanner(ZrBarScanner &scanner, const Document &document, const ReadSettings &settings);

// Copies the scanner's results field by field, the text up to its NUL. At most the array's
// capacity is copied whatever resultCount says; a null array gives no copies.
std::vector<ZrBarResult> CopyLinearResults(const ZrBarScanner &scanner);

// Position, bar colour, skew angle, checksum, type name, then the text.
std::vector<std::string> LinearDetailLines(const ZrBarResult &result);

// {"corners":[...],"type":N,"angle":x,"barColor":N,"checksum":N,"text":"..."}
std::string LinearResultJson(const ZrBarResult &result);

}  // namespace zr::demo

#endif  // ZR_DEMO_READ_LINEAR_HPP
