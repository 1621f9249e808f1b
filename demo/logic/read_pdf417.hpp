// The Read command for the PDF417 reader: scanner record, result copies, report lines and JSON.
#ifndef ZR_DEMO_READ_PDF417_HPP
#define ZR_DEMO_READ_PDF417_HPP

#include <string>
#include <vector>

#include "document.hpp"
#include "settings.hpp"
#include "zr/ZrPDF417.h"

namespace zr::demo {

// The record zeroed, image, rectangle, maxResults, barColors = barsColourMask, directions = orientation.
void FillPdf417Scanner(ZrPDF417Scanner &scanner, const Document &document, const ReadSettings &settings);

// Copies corners, angle, bar colour, level, confidence, rows, columns and the text up to its NUL; at
// most the array's capacity whatever resultCount says.
std::vector<ZrPDF417Result> CopyPdf417Results(const ZrPDF417Scanner &scanner);

uint16_t ReadPdf417(Document &document, const ReadSettings &settings);

// Position, bars colour, skew angle, level and confidence, rows and columns, then the text.
std::vector<std::string> Pdf417DetailLines(const ZrPDF417Result &result);

// {"corners":[...],"angle":x,"barColor":N,"ecLevel":N,"confidence":N,"rows":N,"columns":N,"text":"..."}
std::string Pdf417ResultJson(const ZrPDF417Result &result);

}  // namespace zr::demo

#endif  // ZR_DEMO_READ_PDF417_HPP
