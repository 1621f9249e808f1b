#include "read_dm.hpp"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "json.hpp"
#include "read_common.hpp"

namespace zr::demo {
namespace {

DMResult CopyDataMatrixResult(const DMResult &from) {
    DMResult to{};
    std::copy(std::begin(from.corners), std::end(from.corners), std::begin(to.corners));
    CopyText(to.text, from.text);
    return to;
}

}  // namespace

void FillDataMatrixScanner(ZrDMScanner &scanner, const Document &document, const ReadSettings &settings) {
    FillScannerHead(scanner, document, settings);
    if (settings.firstLookOnly) scanner.scanFlags = ZR_DM_FIRST_LOOK_ONLY;
}

std::vector<DMResult> CopyDataMatrixResults(const ZrDMScanner &scanner) {
    return CopyResults(scanner, CopyDataMatrixResult);
}

uint16_t ReadDataMatrix(Document &document, const ReadSettings &settings) {
    ZrDMScanner scanner;
    FillDataMatrixScanner(scanner, document, settings);
    return RunRead(document, Operation::ReadDataMatrix, scanner, ZrScanDM, ZrFreeDMScanner,
                   CopyDataMatrixResult, document.dataMatrixResults);
}

std::vector<std::string> DataMatrixDetailLines(const DMResult &result) {
    return {PositionLine(result.corners), std::string(result.text, TextLength(result.text))};
}

std::string DataMatrixResultJson(const DMResult &result) {
    std::string out = CornersJson(result.corners);
    out += ",\"text\":";
    out += JsonByteString(std::string_view(result.text, TextLength(result.text)));
    out.push_back('}');
    return out;
}

}  // namespace zr::demo
