// The DataMatrix read: scanner record from the settings, result copies, report and JSON texts.
#ifndef ZR_DEMO_READ_DM_HPP
#define ZR_DEMO_READ_DM_HPP

#include <cstdint>
#include <string>
#include <vector>

#include "document.hpp"
#include "settings.hpp"
#include "zr/ZrDM.h"

namespace zr::demo {

uint16_t ReadDataMatrix(Document &document, const ReadSettings &settings);

// The record zeroed, image, rectangle and maxResults set; scanFlags stays 0 (both colours).
void FillDataMatrixScanner(ZrDMScanner &scanner, const Document &document, const ReadSettings &settings);

// Copies the corners and the text (up to its NUL) of each result; the other fields stay zero.
std::vector<DMResult> CopyDataMatrixResults(const ZrDMScanner &scanner);

// The position line and the text.
std::vector<std::string> DataMatrixDetailLines(const DMResult &result);

// {"corners":[...],"text":"..."}
std::string DataMatrixResultJson(const DMResult &result);

}  // namespace zr::demo

#endif  // ZR_DEMO_READ_DM_HPP
