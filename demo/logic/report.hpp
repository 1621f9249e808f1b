// Texts of the report pane: the last operation, the selected symbol's details, the image information.
#ifndef ZR_DEMO_REPORT_HPP
#define ZR_DEMO_REPORT_HPP

#include <string>
#include <vector>

#include "document.hpp"
#include "zr/ZrImage.h"

namespace zr::demo {

// "Open file", "Read linear barcodes", ...; empty for no operation.
const char *OperationLabel(Operation operation);
// The symbol count is shown after a read and hidden after a file operation.
bool ShowsSymbolCount(Operation operation);

// The operation label, "Run time: ...", "Return code: ..." and, after a read, "Barcodes found: ...".
// Nothing before the first operation.
std::vector<std::string> ReportHeadLines(const ReadState &state);

// The detail lines of result `index` of the last read; empty when there is no such result.
std::vector<std::string> DetailLines(const Document &document, size_t index);

// Size and layout of the image, and its resolution and physical size when both resolutions are set.
std::vector<std::string> ImageInfoLines(const ZrImage &image);

}  // namespace zr::demo

#endif  // ZR_DEMO_REPORT_HPP
